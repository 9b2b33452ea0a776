// The editor window itself: the blank editor, and a read-only note with its grayed commands.
#include "driver_keyboard.h"
#include "driver_menu.h"
#include "e2e_fixture.h"

namespace e2e {
namespace {

class EditorWindowTest : public QuilloxTest {};

const std::vector<UINT> kReadOnlyCommands = {CmdSave,       CmdSaveAs,        CmdImportText,
                                             CmdExportText, CmdSetPassphrase, CmdMakeReadOnly,
                                             CmdCut,        CmdDelete,        CmdPaste};
const std::vector<UINT> kAlwaysEnabled = {CmdNew,  CmdExit,     CmdUndo, CmdCopy,
                                          CmdFind, CmdFindNext, CmdAbout};

void expectCommandStates(HWND window, bool readOnly) {
    std::vector<UINT> ids = kReadOnlyCommands;
    ids.insert(ids.end(), kAlwaysEnabled.begin(), kAlwaysEnabled.end());
    const auto states = menuStates(window, ids);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ASSERT_NE(0xFFFFFFFFu, states[i]) << "command " << ids[i] << " is not in the menu";
        const bool shouldBeGrayed = readOnly && i < kReadOnlyCommands.size();
        EXPECT_EQ(shouldBeGrayed, menuGrayed(states[i])) << "command " << ids[i];
    }
}

TEST_F(EditorWindowTest, BlankEditor) {
    Process& editor = startEditor();
    EditorWindow window = waitEditor(mainTitle(kNewDocument), editor.pid());
    const RECT rect = windowRect(window.window);
    EXPECT_EQ(480, rect.right - rect.left);
    EXPECT_EQ(320, rect.bottom - rect.top);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(desktop.right / 2 - 240, rect.left) << "centred across";
    EXPECT_EQ(desktop.bottom / 2 - 160, rect.top) << "centred down";
    EXPECT_EQ("", window.text());
    EXPECT_FALSE(window.modified());
    EXPECT_FALSE(IsZoomed(window.window));
    expectCommandStates(window.window, false);
    screenshot(window.window, "blank");
    EXPECT_TRUE(tempCopies().empty()) << "an editor without a note is not relaunched";
    postClose(window.window);
    EXPECT_EQ(0u, editor.waitExit(kPatience));
}

TEST_F(EditorWindowTest, ReadOnlyNoteRefusesTypingAndGraysItsCommands) {
    const std::string text = "look, don't touch";
    const std::string note = makeNote("readonly.exe", text, "pw", {}, NOTE_READONLY);
    OpenedNote opened = openNote(note, "pw", " [read-only]");
    EditorWindow& window = opened.editor;
    EXPECT_EQ(text, window.text());
    expectCommandStates(window.window, true);

    typeText(window.window, "xyz");
    // Select All still works in a read-only note; once it has, the typed keys before it have
    // been handled too.
    pressChord(window.window, {VK_CONTROL, 'A'});
    // (Select All takes the final paragraph mark too, so the end may be one past the text.)
    waitUntil(
        [&] {
            const auto selection = editSelection(window.editor);
            return window.text() != text ||
                   (selection.first == 0 && selection.second >= static_cast<int>(text.size()));
        },
        "Ctrl+A to select the whole read-only text");
    EXPECT_EQ(text, window.text());
    EXPECT_FALSE(window.modified());
    screenshot(window.window, "readonly");

    closeAndExpectCleanEnd(opened);
    EXPECT_EQ(text, readNote(note, "pw"));
}

}  // namespace
}  // namespace e2e
