#include "startup/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Action = CommandLine::Action;

struct Case {
    const char* name;
    std::vector<const char*> arguments;  // after the executable's own path
    Action action;
    std::string notePath;
    bool eraseOnExit;
    std::string erasePath;
};

CommandLine parse(const std::vector<const char*>& arguments) {
    std::vector<const char*> argv{"C:\\Program Files\\Quillox\\quillox.exe"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return parseArguments(static_cast<int>(argv.size()), argv.data());
}

const Case kCases[] = {
    {"no arguments", {}, Action::Continue, "", false, ""},
    {"edit", {"-edit:D:\\notes\\list.exe"}, Action::Continue, "D:\\notes\\list.exe", true, ""},
    {"edit upper case", {"-EDIT:D:\\n.exe"}, Action::Continue, "D:\\n.exe", true, ""},
    {"edit mixed case", {"-Edit:x"}, Action::Continue, "x", true, ""},
    {"edit path with blanks",
     {"-edit:C:\\My Notes\\a b.exe"},
     Action::Continue,
     "C:\\My Notes\\a b.exe",
     true,
     ""},
    {"edit alone gives an empty path", {"-edit:"}, Action::Continue, "", true, ""},
    {"second edit wins",
     {"-edit:first.exe", "-edit:second.exe"},
     Action::Continue,
     "second.exe",
     true,
     ""},
    {"edit without colon", {"-edit"}, Action::Malformed, "", false, ""},
    {"erase without colon", {"-ERASE"}, Action::Malformed, "", false, ""},
    {"edit with text but no colon", {"-editnotes.exe"}, Action::Malformed, "", false, ""},
    {"erase",
     {"-erase:C:\\Temp\\Quillox-1A2B.exe"},
     Action::Erase,
     "",
     false,
     "C:\\Temp\\Quillox-1A2B.exe"},
    {"erase after edit ends the walk",
     {"-edit:n.exe", "-erase:t.exe", "-edit:other.exe"},
     Action::Erase,
     "n.exe",
     true,
     "t.exe"},
    {"arguments after erase are not examined",
     {"-erase:t.exe", "-edit"},
     Action::Erase,
     "",
     false,
     "t.exe"},
    {"malformed stops before a later erase",
     {"-edit", "-erase:t.exe"},
     Action::Malformed,
     "",
     false,
     ""},
    {"plain path is ignored", {"C:\\notes\\list.txt"}, Action::Continue, "", false, ""},
    {"switch name inside a plain path",
     {"C:\\backup-erase:\\-edit:x.exe"},
     Action::Continue,
     "",
     false,
     ""},
    {"switch name in the middle of an argument",
     {"x-erase:y", "notes-EDIT:z"},
     Action::Continue,
     "",
     false,
     ""},
    {"erase named inside the edit value",
     {"-edit:C:\\old-erase:\\n.exe"},
     Action::Continue,
     "C:\\old-erase:\\n.exe",
     true,
     ""},
    {"edit named inside the erase value",
     {"-erase:C:\\-edit:\\t.exe"},
     Action::Erase,
     "",
     false,
     "C:\\-edit:\\t.exe"},
    {"value starts after the first colon",
     {"-edit::C:\\n.exe"},
     Action::Continue,
     ":C:\\n.exe",
     true,
     ""},
    {"longer word that begins with the switch",
     {"-editor:n.exe"},
     Action::Continue,
     "n.exe",
     true,
     ""},
    {"blank before the switch", {" -erase:t.exe"}, Action::Continue, "", false, ""},
};

TEST(CommandLine, SwitchGrammar) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const CommandLine line = parse(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.notePath, c.notePath);
        EXPECT_EQ(line.eraseOnExit, c.eraseOnExit);
        EXPECT_EQ(line.erasePath, c.erasePath);
    }
}

TEST(CommandLine, ExecutablePathIsNeverASwitch) {
    const char* argv[] = {"-erase:C:\\quillox.exe"};
    const CommandLine line = parseArguments(1, argv);
    EXPECT_EQ(line.action, Action::Continue);
    EXPECT_TRUE(line.erasePath.empty());
}

}  // namespace
