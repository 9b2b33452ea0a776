// The document commands as a user runs them: Save, Save As, New, Set or change passphrase,
// Make read-only and the question before closing, each checked on the files they write.
#include "driver_keyboard.h"
#include "driver_menu.h"
#include "e2e_fixture.h"

#include "storage/file_end_data.h"

namespace e2e {
namespace {

class DocumentCommands : public QuilloxTest {
protected:

    // The note file is the editor image, one record and a trailer that spans it exactly.
    void expectNoteLayout(const std::string& note) {
        const FileBytes editor = readFile(editorExe());
        const FileBytes bytes = readFile(note);
        ASSERT_GT(bytes.size(), editor.size() + 8 + NoteHeader::kSize);
        EXPECT_TRUE(std::equal(editor.begin(), editor.end(), bytes.begin()))
            << "the note starts with the editor image";
        FileEndData block(note, true);
        ASSERT_TRUE(block.hasData());
        EXPECT_EQ(editor.size(), block.offset());
        EXPECT_EQ(bytes.size(), block.offset() + block.length() + 8);
    }

    std::string questionText(DWORD pid, int button) {
        return answerMessageBox(kQuestionCaption, button, pid).text;
    }
};

const char* const kSaveQuestion = "Do you want to save modifications before exiting?";

TEST_F(DocumentCommands, CtrlSSavesIntoTheNoteUnderTheSamePassphrase) {
    const std::string note = makeNote("diary.exe", "Monday", "pw");
    OpenedNote opened = openNote(note, "pw");
    appendText(opened.editor, "\nTuesday", "Monday\r\nTuesday");
    EXPECT_TRUE(opened.editor.modified());
    pressChord(opened.editor.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return !opened.editor.modified(); }, "Ctrl+S to clear the modified flag");
    const RECT rect = windowRect(opened.editor.window);
    closeAndExpectCleanEnd(opened);

    expectNoteLayout(note);
    EXPECT_EQ("Monday\r\nTuesday", readNote(note, "pw"));
    NoteDocument saved;
    ASSERT_TRUE(saved.load(note));
    EXPECT_EQ(rect.right - rect.left, saved.header.window_width)
        << "the window size goes into the header";
    EXPECT_EQ(rect.bottom - rect.top, saved.header.window_height);
    EXPECT_EQ(0u, saved.header.flags & (NOTE_MAXIMIZED | NOTE_READONLY));

    OpenedNote again = openNote(note, "pw");
    EXPECT_EQ("Monday\r\nTuesday", again.editor.text());
    closeAndExpectCleanEnd(again);
}

TEST_F(DocumentCommands, SaveAsFromTheBlankEditorMakesANoteThatOpensOnItsOwn) {
    Process& editor = startEditor();
    EditorWindow window = waitEditor(mainTitle(kNewDocument), editor.pid());
    typeText(window.window, "fresh note");
    waitUntil([&] { return window.text() == "fresh note"; }, "the typed text");
    postCommand(window.window, CmdSaveAs);
    // Typed without an extension: the note gets ".exe".
    chooseFile("Save As", path("my note"), editor.pid());
    const std::string note = path("my note.exe");

    answerSetPassphrase("first", "second", editor.pid());
    EXPECT_EQ("Passphrases don't match", answerMessageBox(kErrorCaption, IDOK, editor.pid()).text);
    HWND still = waitWindow(dialogTitled(kSetPassphraseTitle));
    EXPECT_EQ("first", controlText(control(still, IdPassphrase)));
    EXPECT_EQ("second", controlText(control(still, IdPassphraseRepeat)));
    answerSetPassphrase("same", "same", editor.pid());
    waitGone(still, "the set-passphrase dialog");

    waitUntil([&] { return window.title() == mainTitle(note); },
              "the title to show " + inQuotes(note));
    EXPECT_FALSE(window.modified());
    expectNoteLayout(note);
    EXPECT_EQ("fresh note", readNote(note, "same"));
    postClose(window.window);
    EXPECT_EQ(0u, editor.waitExit(kPatience));

    OpenedNote opened = openNote(note, "same");
    EXPECT_EQ("fresh note", opened.editor.text());
    closeAndExpectCleanEnd(opened);
}

TEST_F(DocumentCommands, SaveRefusesABlankDocument) {
    Process& editor = startEditor();
    EditorWindow window = waitEditor(mainTitle(kNewDocument), editor.pid());
    pressChord(window.window, {VK_CONTROL, 'S'});
    EXPECT_EQ("I utterly refuse to save a blank Document :)",
              answerMessageBox(kErrorCaption, IDOK, editor.pid()).text);
    expectNoWindow(dialogTitled("Save As"));
    postClose(window.window);
    EXPECT_EQ(0u, editor.waitExit(kPatience));
    EXPECT_EQ((std::vector<std::string>{"quillox.exe"}), listFiles(folder(), "*"));
}

TEST_F(DocumentCommands, SaveAsOverAnExistingFileAsksFirst) {
    const std::string target = path("taken.exe");
    writeFile(target, {'o', 'l', 'd'});
    Process& editor = startEditor();
    EditorWindow window = waitEditor(mainTitle(kNewDocument), editor.pid());
    typeText(window.window, "new");
    waitUntil([&] { return window.text() == "new"; }, "the typed text");

    postCommand(window.window, CmdSaveAs);
    chooseFile("Save As", target, editor.pid());
    EXPECT_EQ("File already exists - overwrite?", questionText(editor.pid(), IDNO));
    Sleep(500);
    expectNoWindow(dialogTitled(kSetPassphraseTitle));
    EXPECT_EQ((FileBytes{'o', 'l', 'd'}), readFile(target));
    EXPECT_TRUE(window.modified());

    postCommand(window.window, CmdSaveAs);
    chooseFile("Save As", target, editor.pid());
    EXPECT_EQ("File already exists - overwrite?", questionText(editor.pid(), IDYES));
    answerSetPassphrase("pw", "pw", editor.pid());
    waitUntil([&] { return window.title() == mainTitle(target); },
              "the title to show the saved file");
    EXPECT_EQ("new", readNote(target, "pw"));
    postClose(window.window);
    EXPECT_EQ(0u, editor.waitExit(kPatience));
}

TEST_F(DocumentCommands, NewAfterMakeReadOnlyGivesAWritableBlankDocument) {
    const std::string note = makeNote("note.exe", "keep me", "pw");
    OpenedNote opened = openNote(note, "pw");
    EditorWindow& window = opened.editor;
    postCommand(window.window, CmdMakeReadOnly);
    waitUntil([&] { return window.title() == mainTitle(note) + " [read-only]"; },
              "the read-only title");
    EXPECT_TRUE(menuGrayed(menuStates(window.window, {CmdSave})[0]));

    postCommand(window.window, CmdNew);
    waitUntil([&] { return window.title() == mainTitle(kNewDocument); },
              "the title of a new document");
    EXPECT_EQ("", window.text());
    for (UINT state : menuStates(
             window.window, {CmdSave, CmdSaveAs, CmdImportText, CmdExportText, CmdSetPassphrase,
                             CmdMakeReadOnly, CmdCut, CmdDelete, CmdPaste})) {
        EXPECT_FALSE(menuGrayed(state));
    }
    typeText(window.window, "writable");
    waitUntil([&] { return window.text() == "writable"; }, "typing into the new document");

    postClose(window.window);
    EXPECT_EQ(kSaveQuestion, questionText(window.pid, IDNO));
    expectCleanEnd(opened);
    EXPECT_EQ("keep me", readNote(note, "pw")) << "New writes nothing";
}

TEST_F(DocumentCommands, ChangedPassphraseIsSavedOnClose) {
    const std::string note = makeNote("note.exe", "secret", "old pass");
    OpenedNote opened = openNote(note, "old pass");
    postCommand(opened.editor.window, CmdSetPassphrase);
    answerSetPassphrase("new pass", "new pass", opened.editor.pid);
    waitUntil([&] { return opened.editor.modified(); },
              "the new passphrase to mark the text modified");
    EXPECT_EQ("secret", readNote(note, "old pass")) << "nothing is written before the save";

    postClose(opened.editor.window);
    EXPECT_EQ(kSaveQuestion, questionText(opened.editor.pid, IDYES));
    expectCleanEnd(opened);
    EXPECT_EQ("secret", readNote(note, "new pass"));
    EXPECT_THROW(readNote(note, "old pass"), DriverError);

    // Through the prompt as well: the old passphrase is refused, the new one opens it.
    OpenedNote reopened = startOpening(note);
    HWND prompt = waitPrompt();
    submitPassphrase(prompt, "old pass");
    EXPECT_EQ("Invalid passphrase!", answerMessageBox(kErrorCaption, IDOK).text);
    submitPassphrase(waitPrompt(), "new pass");
    reopened.editor = waitEditor(mainTitle(note));
    EXPECT_EQ("secret", reopened.editor.text());
    closeAndExpectCleanEnd(reopened);
}

TEST_F(DocumentCommands, ClosingWithChangesCancelThenNo) {
    const std::string note = makeNote("note.exe", "original", "pw");
    OpenedNote opened = openNote(note, "pw");
    appendText(opened.editor, "!", "original!");

    postClose(opened.editor.window);
    EXPECT_EQ(kSaveQuestion, questionText(opened.editor.pid, IDCANCEL));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(opened.editor.window)) << "Cancel keeps the window";
    EXPECT_EQ("original!", opened.editor.text());

    postClose(opened.editor.window);
    EXPECT_EQ(kSaveQuestion, questionText(opened.editor.pid, IDNO));
    expectCleanEnd(opened);
    EXPECT_EQ("original", readNote(note, "pw")) << "No closes without saving";
}

TEST_F(DocumentCommands, ClosingWithChangesYesSaves) {
    const std::string note = makeNote("note.exe", "original", "pw");
    OpenedNote opened = openNote(note, "pw");
    appendText(opened.editor, "?", "original?");
    postCommand(opened.editor.window, CmdExit);  // File > Exit takes the road of the close box
    EXPECT_EQ(kSaveQuestion, questionText(opened.editor.pid, IDYES));
    expectCleanEnd(opened);
    EXPECT_EQ("original?", readNote(note, "pw"));
    expectNoteLayout(note);
}

TEST_F(DocumentCommands, ReadOnlyNoteWithAFileIsNotSaved) {
    const std::string note = makeNote("note.exe", "as it was", "pw");
    const FileBytes before = readFile(note);
    OpenedNote opened = openNote(note, "pw");
    EditorWindow& window = opened.editor;
    appendText(window, " and more", "as it was and more");
    postCommand(window.window, CmdMakeReadOnly);
    waitUntil([&] { return window.title() == mainTitle(note) + " [read-only]"; },
              "the read-only title");

    // Save is grayed now, so its accelerator is not delivered either.
    pressChord(window.window, {VK_CONTROL, 'S'});
    Sleep(1000);
    expectNoWindow(dialogTitled(kErrorCaption));

    // Closing and answering Yes tries the save, which refuses the note's file.
    postClose(window.window);
    EXPECT_EQ(kSaveQuestion, questionText(window.pid, IDYES));
    EXPECT_EQ("File is read-only.", answerMessageBox(kErrorCaption, IDOK, window.pid).text);
    EXPECT_EQ("Error saving file!", answerMessageBox(kErrorCaption, IDOK, window.pid).text);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(window.window)) << "a refused save keeps the window open";
    EXPECT_TRUE(before == readFile(note)) << "the note file is unchanged";

    postClose(window.window);
    EXPECT_EQ(kSaveQuestion, questionText(window.pid, IDNO));
    expectCleanEnd(opened);
    EXPECT_TRUE(before == readFile(note));
}

}  // namespace
}  // namespace e2e
