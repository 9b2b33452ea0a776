// Two editors on one note, a note rewritten by quillox-note and a note file that went away: a
// save that would undo work written elsewhere asks first, and No leaves the file as it is.
#include "e2e_fixture.h"

namespace e2e {
namespace {

constexpr const char* kChanged =
    "This note was changed elsewhere since it was opened here (by another Quillox window, a sync "
    "tool or quillox-note).\n\nOverwrite those changes?";
constexpr const char* kGone =
    "The note file is no longer there (deleted or renamed) since it was opened here.\n\nSave it "
    "anew?";

class SaveConflict : public QuilloxTest {
protected:
    // An editor on the note as its temporary copy runs it; each from an executable of its own.
    EditorWindow openEditor(const std::string& note, const std::string& name) {
        const std::string exe = path(name + ".exe");
        copyFile(windowsPath(QUILLOX_EXE), exe);
        Process& editor = family().start(exe, "-edit:\"" + note + "\"", "editor " + name);
        submitPassphrase(waitPrompt(editor.pid()), "pw");
        return waitEditor(mainTitle(note), editor.pid());
    }

    void save(const EditorWindow& window) { pressChord(window.window, {VK_CONTROL, 'S'}); }
    void waitSaved(const EditorWindow& window) {
        waitUntil([&] { return !window.modified(); }, "the save to clear the modified flag");
    }
    // Answers No and waits until the save has cleared up after itself.
    void answerNo(const EditorWindow& window, const char* question) {
        EXPECT_EQ(question, answerMessageBox(kQuestionCaption, IDNO, window.pid).text);
        waitUntil([&] { return listFiles(folder(), "~*").empty(); }, "the temporary file to go");
        EXPECT_TRUE(window.modified());
    }
};

TEST_F(SaveConflict, ASaveAsksBeforeUndoingWorkWrittenElsewhere) {
    const std::string note = makeNote("diary.exe", "base", "pw");
    EditorWindow a = openEditor(note, "a");
    EditorWindow b = openEditor(note, "b");

    appendText(a, " A", "base A");
    save(a);  // nothing changed elsewhere: no question holds the save up
    waitSaved(a);
    const FileBytes savedByA = readFile(note);

    appendText(b, " B", "base B");
    save(b);
    answerNo(b, kChanged);
    EXPECT_TRUE(savedByA == readFile(note)) << "No must leave A's note byte for byte";
    EXPECT_EQ("base B", b.text());
    save(b);
    EXPECT_EQ(kChanged, answerMessageBox(kQuestionCaption, IDYES, b.pid).text);
    waitSaved(b);
    EXPECT_EQ("base B", readNote(note, "pw"));

    // A rewrite that keeps the record, IV and digest alike.
    Process& tool = family().start(windowsPath(QUILLOX_NOTE_EXE),
                                   "set \"" + note + "\" --read-only on", "quillox-note set");
    ASSERT_EQ(0u, tool.waitExit(3 * kPatience));  // a console program starting under Wine
    const FileBytes setByTool = readFile(note);
    appendText(b, " C", "base B C");
    save(b);
    answerNo(b, kChanged);
    EXPECT_TRUE(setByTool == readFile(note)) << "No must leave the tool's note byte for byte";

    // Save As over the open note's own file follows the same rule; a note gone is written anew.
    ASSERT_TRUE(MoveFileA(note.c_str(), path("moved.exe").c_str()));
    appendText(a, " again", "base A again");
    postCommand(a.window, CmdSaveAs);
    chooseFile("Save As", note, a.pid);
    EXPECT_EQ(kGone, answerMessageBox(kQuestionCaption, IDYES, a.pid).text);
    waitSaved(a);
    EXPECT_EQ("base A again", readNote(note, "pw"));
}

}  // namespace
}  // namespace e2e
