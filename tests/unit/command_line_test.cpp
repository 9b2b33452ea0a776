#include "startup/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using A = CommandLine::Action;

// clang-format off
const struct {
    std::vector<const char*> arguments;  // after the executable's own path
    A action;
    bool eraseOnExit;
    const char *notePath, *erasePath;
} kCases[] = {
    {{}, A::Continue, false, "", ""},
    {{"-edit:D:\\notes\\list.exe"}, A::Continue, true, "D:\\notes\\list.exe", ""},
    {{"-EDIT:D:\\n.exe"}, A::Continue, true, "D:\\n.exe", ""},
    {{"-Edit:C:\\My Notes\\a b.exe"}, A::Continue, true, "C:\\My Notes\\a b.exe", ""},
    {{"-edit:"}, A::Continue, true, "", ""},
    {{"-edit:first.exe", "-edit:second.exe"}, A::Continue, true, "second.exe", ""},
    {{"-edit"}, A::Malformed, false, "", ""},
    {{"-ERASE"}, A::Malformed, false, "", ""},
    {{"-editnotes.exe"}, A::Malformed, false, "", ""},
    {{"-erase:C:\\Temp\\Quillox-1A2B.exe"}, A::Erase, false, "", "C:\\Temp\\Quillox-1A2B.exe"},
    {{"-edit:n.exe", "-erase:t.exe", "-edit:other.exe"}, A::Erase, true, "n.exe", "t.exe"},
    {{"-erase:t.exe", "-edit"}, A::Erase, false, "", "t.exe"},
    {{"-edit", "-erase:t.exe"}, A::Malformed, false, "", ""},
    {{"C:\\notes\\list.txt"}, A::Continue, false, "", ""},
    {{"C:\\backup-erase:\\-edit:x.exe", "x-erase:y", "notes-EDIT:z"}, A::Continue, false, "", ""},
    {{"-edit:C:\\old-erase:\\n.exe"}, A::Continue, true, "C:\\old-erase:\\n.exe", ""},
    {{"-erase:C:\\-edit:\\t.exe"}, A::Erase, false, "", "C:\\-edit:\\t.exe"},
    {{"-edit::C:\\n.exe"}, A::Continue, true, ":C:\\n.exe", ""},  // the value follows the first colon
    {{"-editor:n.exe"}, A::Continue, true, "n.exe", ""},
    {{" -erase:t.exe"}, A::Continue, false, "", ""},
};
// clang-format on

TEST(CommandLine, SwitchGrammar) {
    for (const auto& c : kCases) {
        std::vector<const char*> argv{"C:\\Program Files\\Quillox\\quillox.exe"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        const CommandLine line = parseArguments(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.notePath, c.notePath);
        EXPECT_EQ(line.eraseOnExit, c.eraseOnExit);
        EXPECT_EQ(line.erasePath, c.erasePath);
    }
    // The executable's own path is never a switch.
    const char* argv[] = {"-erase:C:\\quillox.exe"};
    EXPECT_EQ(parseArguments(1, argv).action, A::Continue);
}

}  // namespace
