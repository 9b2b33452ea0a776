#include "startup/command_line.h"

#include <cctype>
#include <cstring>

namespace {

bool startsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        if (*text == '\0') return false;
        const unsigned char a = static_cast<unsigned char>(*text);
        const unsigned char b = static_cast<unsigned char>(*prefix);
        if (std::tolower(a) != std::tolower(b)) return false;
    }
    return true;
}

enum class Switch { None, Edit, Erase };

Switch switchOf(const char* argument) {
    if (startsWithNoCase(argument, "-edit")) return Switch::Edit;
    if (startsWithNoCase(argument, "-erase")) return Switch::Erase;
    return Switch::None;
}

}  // namespace

CommandLine parseArguments(int argc, const char* const* argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument == nullptr) continue;
        const Switch kind = switchOf(argument);
        if (kind == Switch::None) continue;

        const char* colon = std::strchr(argument, ':');
        if (colon == nullptr) {
            result.action = CommandLine::Action::Malformed;
            return result;
        }
        const char* value = colon + 1;
        if (kind == Switch::Edit) {
            result.notePath = value;
            result.eraseOnExit = true;
            continue;
        }
        result.action = CommandLine::Action::Erase;
        result.erasePath = value;
        return result;
    }
    return result;
}
