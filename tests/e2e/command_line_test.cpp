// The two switches as a shell or a dropped file hands them over.
#include "e2e_fixture.h"

namespace e2e {
namespace {

class CommandLine : public QuilloxTest {
protected:
    // Waits for `process` to end, failing at once should it show an error box instead.
    DWORD exitWithoutMessage(Process& process) {
        WindowQuery box = dialogTitled(kErrorCaption);
        box.pid = process.pid();
        waitUntil([&] { return !process.running() || findWindow(box); },
                  process.name() + " to end");
        if (HWND shown = findWindow(box)) {
            const std::string text = controlText(control(shown, 0xFFFF));
            pressButton(shown, IDOK);
            throw DriverError("unexpected error box " + inQuotes(text));
        }
        return process.waitExit(0);
    }
};

TEST_F(CommandLine, SwitchWithoutColonIsMalformed) {
    for (const char* argument : {"-edit", "-erase", "-EDIT"}) {
        SCOPED_TRACE(argument);
        Process& editor = startEditor(argument);
        const MessageBoxView box = waitMessageBox(kErrorCaption, editor.pid());
        EXPECT_EQ("Malformed commandline argument!", box.text);
        pressButton(box.window, IDOK);
        EXPECT_EQ(kExitFailure, editor.waitExit(kPatience));
        EXPECT_TRUE(fileExists(editorExe()));
    }
}

TEST_F(CommandLine, UpperCaseEditSwitchOpensTheNote) {
    const std::string note = makeNote("upper case.exe", "opened by -EDIT:", "pw");
    Process& editor = startEditor("-EDIT:\"" + note + "\"");
    submitPassphrase(waitPrompt(editor.pid()), "pw");
    EditorWindow window = waitEditor(mainTitle(note), editor.pid());
    EXPECT_EQ("opened by -EDIT:", window.text());
    postClose(window.window);
    EXPECT_EQ(0u, editor.waitExit(kPatience));
}

TEST_F(CommandLine, PlainArgumentsAreIgnored) {
    const std::string dropped = path("dropped file.txt");
    writeFile(dropped, {'h', 'i'});
    Process& editor = startEditor("\"" + dropped + "\" plain-word");
    EditorWindow window = waitEditor(mainTitle(kNewDocument), editor.pid());
    EXPECT_EQ("", window.text());
    postClose(window.window);
    EXPECT_EQ(0u, editor.waitExit(kPatience));
    EXPECT_TRUE(fileExists(dropped));
    EXPECT_TRUE(tempCopies().empty());
}

TEST_F(CommandLine, EraseAfterEditRunsTheErase) {
    const std::string victim = path("victim.exe");
    writeFile(victim, {'M', 'Z'});
    Process& editor =
        startEditor("-edit:\"" + path("missing note.exe") + "\" -erase:\"" + victim + "\"");
    EXPECT_EQ(0u, exitWithoutMessage(editor));
    EXPECT_FALSE(fileExists(victim));
    WindowQuery main;
    main.className = kMainClass;
    expectNoWindow(main);
}

TEST_F(CommandLine, EraseOfMissingFileFailsWithoutMessage) {
    Process& editor = startEditor("-erase:\"" + path("not there.exe") + "\"");
    EXPECT_EQ(kExitFailure, exitWithoutMessage(editor));
}

TEST_F(CommandLine, EraseRetriesWhileTheFileIsHeld) {
    const std::string victim = path("held.exe");
    writeFile(victim, {'M', 'Z'});
    // Held the way a still-running copy holds its image: readable by others, not deletable.
    Handle held(CreateFileA(victim.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    Process& editor = startEditor("-erase:\"" + victim + "\"");
    Sleep(1000);
    EXPECT_TRUE(editor.running()) << "the erase gives up while the file is held";
    EXPECT_TRUE(fileExists(victim));
    held.reset();
    EXPECT_EQ(0u, exitWithoutMessage(editor));
    EXPECT_FALSE(fileExists(victim));
}

}  // namespace
}  // namespace e2e
