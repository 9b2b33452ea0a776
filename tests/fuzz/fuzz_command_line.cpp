// Splits untrusted bytes into arguments (at NULs and newlines) and checks the parser against a
// model: "-edit" before "-erase", the value after the first colon, "-erase" or no colon ends it.
#include <strings.h>

#include "fuzz_support.h"
#include "startup/command_line.h"

namespace {

CommandLine model(const std::vector<std::string>& args) {
    CommandLine out;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool edit = strncasecmp(a.c_str(), "-edit", 5) == 0;
        if (!edit && strncasecmp(a.c_str(), "-erase", 6) != 0) continue;
        const std::size_t colon = a.find(':');
        if (colon == std::string::npos) {
            out.action = CommandLine::Action::Malformed;
            return out;
        }
        (edit ? out.notePath : out.erasePath) = a.substr(colon + 1);
        out.eraseOnExit |= edit;
        if (!edit) {
            out.action = CommandLine::Action::Erase;
            return out;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"quillox.exe", ""};
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\0' || data[i] == '\n')
            args.emplace_back();
        else
            args.back().push_back(char(data[i]));
    }
    if (!size) args.pop_back();
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);  // as the C runtime leaves it

    const CommandLine got = parseArguments(int(args.size()), argv.data()), want = model(args);
    FUZZ_CHECK(got.action == want.action && got.eraseOnExit == want.eraseOnExit);
    FUZZ_CHECK(got.notePath == want.notePath && got.erasePath == want.erasePath);
    return 0;
}
