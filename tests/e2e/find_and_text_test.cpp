// Searching with the system's Find dialog and F3, plain-text import and export through the
// common file dialogs, and the About box.
#include "driver_keyboard.h"
#include "e2e_fixture.h"

namespace e2e {
namespace {

class FindAndText : public QuilloxTest {
protected:
    EditorWindow startBlankEditor() {
        Process& editor = startEditor();
        blank_ = &editor;
        return waitEditor(mainTitle(kNewDocument), editor.pid());
    }
    void closeBlankEditor(const EditorWindow& window) {
        postClose(window.window);
        if (window.modified()) answerMessageBox(kQuestionCaption, IDNO, window.pid);
        EXPECT_EQ(0u, blank_->waitExit(kPatience));
    }
    Process* blank_ = nullptr;
};

constexpr int kFindWhat = 1152;  // edt1 of the system's Find dialog

using Range = std::pair<int, int>;

TEST_F(FindAndText, FindAndF3WalkThroughTheMatchesAndStartAgain) {
    // "cat" at 4-7, 12-15 and 22-25.
    const std::string note = makeNote("note.exe", "one cat two cat three cat", "pw");
    OpenedNote opened = openNote(note, "pw");
    EditorWindow& window = opened.editor;
    ASSERT_EQ(Range(0, 0), editSelection(window.editor));

    pressChord(window.window, {VK_CONTROL, 'F'});
    WindowQuery findQuery = dialogTitled("Find");
    findQuery.pid = window.pid;
    HWND find = waitWindow(findQuery);
    setText(control(find, kFindWhat, "Edit"), "cat");
    screenshot(find, "find");
    pressButton(find, IDOK);
    waitUntil([&] { return editSelection(window.editor) == Range(4, 7); },
              "the first match to be selected");
    pressButton(find, IDOK);
    waitUntil([&] { return editSelection(window.editor) == Range(12, 15); },
              "the second match to be selected");

    // Closed, the dialog leaves its text and position to F3.
    pressButton(find, IDCANCEL);
    waitGone(find, "the Find dialog");
    pressKey(window.window, VK_F3);
    waitUntil([&] { return editSelection(window.editor) == Range(22, 25); },
              "F3 to select the third match");
    pressKey(window.window, VK_F3);
    EXPECT_EQ("No more matches.", answerMessageBox(kQuestionCaption, IDOK, window.pid).text);
    waitUntil([&] { return editSelection(window.editor) == Range(0, 0); },
              "the selection to go back to the top");
    pressKey(window.window, VK_F3);
    waitUntil([&] { return editSelection(window.editor) == Range(4, 7); },
              "F3 to start again at the first match");

    EXPECT_FALSE(window.modified());
    closeAndExpectCleanEnd(opened);
}

TEST_F(FindAndText, ImportAndExportKeepCrlfText) {
    const FileBytes original = {'l', 'i', 'n', 'e',  ' ',  '1',  '\r', '\n', 'l', 'i', 'n',
                                'e', ' ', '2', '\r', '\n', '\r', '\n', 'l',  'a', 's', 't'};
    const std::string input = path("in.txt");
    writeFile(input, original);
    EditorWindow window = startBlankEditor();

    postCommand(window.window, CmdImportText);
    chooseFile("Open", input, window.pid);
    waitUntil([&] { return window.text() == "line 1\r\nline 2\r\n\r\nlast"; },
              "the imported text in the editor");

    const std::string output = path("out.txt");
    postCommand(window.window, CmdExportText);
    chooseFile("Save As", output, window.pid);
    waitUntil([&] { return fileExists(output) && readFile(output).size() >= original.size(); },
              "the exported file");
    const FileBytes exported = readFile(output);
    EXPECT_EQ(std::string(original.begin(), original.end()),
              std::string(exported.begin(), exported.end()));
    closeBlankEditor(window);
}

TEST_F(FindAndText, AboutOpensAndClosesWithEnter) {
    EditorWindow window = startBlankEditor();
    postCommand(window.window, CmdAbout);
    WindowQuery aboutQuery = dialogTitled(kAboutTitle);
    aboutQuery.pid = window.pid;
    HWND about = waitWindow(aboutQuery);
    EXPECT_FALSE(IsWindowEnabled(window.window)) << "the About box is modal to the main window";
    screenshot(about, "about");
    pressKey(about, VK_RETURN);
    waitGone(about, "the About box");
    waitUntil([&] { return IsWindowEnabled(window.window) != FALSE; },
              "the main window to be enabled again");
    closeBlankEditor(window);
}

}  // namespace
}  // namespace e2e
