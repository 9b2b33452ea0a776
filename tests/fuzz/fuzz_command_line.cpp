// Splits untrusted bytes into an argument vector (at NULs and newlines) and checks the switch
// grammar against a direct model of its rules.
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "startup/command_line.h"

namespace {

bool beginsWith(const std::string& argument, const std::string& name) {
    if (argument.size() < name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(argument[i])) != name[i]) return false;
    return true;
}

// The rules, one argument at a time: "-edit" before "-erase", a switch needs a colon, its value
// follows the first colon, "-erase" and a malformed switch end the walk.
CommandLine model(const std::vector<std::string>& args) {
    CommandLine out;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool edit = beginsWith(a, "-edit");
        if (!edit && !beginsWith(a, "-erase")) continue;
        const std::size_t colon = a.find(':');
        if (colon == std::string::npos) {
            out.action = CommandLine::Action::Malformed;
            return out;
        }
        if (edit) {
            out.notePath = a.substr(colon + 1);
            out.eraseOnExit = true;
        } else {
            out.action = CommandLine::Action::Erase;
            out.erasePath = a.substr(colon + 1);
            return out;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"quillox.exe"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\0' || data[i] == '\n') {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (size) args.push_back(current);

    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);  // as the C runtime leaves it

    const CommandLine got = parseArguments(static_cast<int>(args.size()), argv.data());
    const CommandLine want = model(args);
    FUZZ_CHECK(got.action == want.action);
    FUZZ_CHECK(got.notePath == want.notePath);
    FUZZ_CHECK(got.eraseOnExit == want.eraseOnExit);
    FUZZ_CHECK(got.erasePath == want.erasePath);
    return 0;
}
