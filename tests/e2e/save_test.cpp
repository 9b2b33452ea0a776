// Saves that must not lose work. Under injected file failures the test build of the editor fails
// the chosen step of its save (every create, open for writing, write, flush, read-back, attribute
// change and replace is one), in turn from the first until a save gets through: every failure
// must leave the old file byte for byte with its attributes, no file of the save's own behind,
// the window open with the text still modified, and the user told twice. A save that would undo
// work written elsewhere (another editor, quillox-note) asks first, and No leaves the file.
#include <functional>
#include <iostream>

#include "e2e_fixture.h"

namespace e2e {
namespace {

constexpr const char* kChanged =
    "This note was changed elsewhere since it was opened here (by another Quillox window, a sync "
    "tool or quillox-note).\n\nOverwrite those changes?";

class SaveFaults : public QuilloxTest {
protected:
    // Arms the points 1, 2, ... (or those of `points`, then none) before each `save`, checking
    // what the user and the disk show after every failure; answers the number of failed saves.
    int injectFaults(const std::string& text, bool shortWrite, const std::string& target,
                     const std::function<void()>& save, const std::function<bool()>& saved,
                     const std::vector<int>& points = {}) {
        static const UINT arm = RegisterWindowMessageA("Quillox::fault");
        const Bytes before = readFile(target);
        const DWORD attributes = GetFileAttributesA(target.c_str());
        const auto files = listFiles(notes_);
        const WindowQuery error = dialogTitled(kErrorCaption, window_.pid);
        for (std::size_t failed = 0;; ++failed) {
            const std::size_t point = points.empty()           ? failed + 1
                                      : failed < points.size() ? points[failed]
                                                               : 0;
            PostMessageA(window_.window, arm, point, shortWrite);
            save();
            waitUntil([&] { return findWindow(error) || saved(); },
                      "an error box or the save with point " + std::to_string(point) + " armed");
            if (!findWindow(error)) return static_cast<int>(failed);
            SCOPED_TRACE("fault at point " + std::to_string(point));
            for (int report = 0; report < 2; ++report)  // the storage's and the command's
                EXPECT_EQ("Error saving file!", answerMessageBox(kErrorCaption, IDOK));
            EXPECT_EQ(text, window_.text());
            EXPECT_TRUE(window_.modified());
            EXPECT_EQ(before, readFile(target)) << "the old file changed";
            EXPECT_EQ(attributes, GetFileAttributesA(target.c_str()));
            EXPECT_EQ(files, listFiles(notes_)) << "files left beside the note";
            if (HasFailure() || point == 0) return -1;
        }
    }

    std::string notes_;
    EditorWindow window_;
};

// All in one window of the test editor, run as a copy runs it, each save re-armed.
TEST_F(SaveFaults, EveryStepOfSaveAndSaveAsFailsCleanly) {
    notes_ = path("notes");
    makeFolder(notes_);
    std::string note = makeNote("notes\\diary.exe", "text", "pw"), text = "text";
    window_ = openAsCopy(QUILLOX_FAULTY_EXE, note);
    const auto edit = [&](const std::string& more) { appendText(window_, more, text += more); };
    const auto ctrlS = [&] { pressChord(window_.window, {VK_CONTROL, 'S'}); };
    const auto unmodified = [&] { return !window_.modified(); };
    // Short writes on a plain note, plain failures on a read-only one (the save clears the
    // attribute before the replace and must put it back when that fails).
    edit(" edited");
    const int saveSteps = injectFaults(text, true, note, ctrlS, unmodified);
    EXPECT_EQ(text, readNote(note, "pw"));
    ASSERT_TRUE(SetFileAttributesA(note.c_str(), FILE_ATTRIBUTE_READONLY));
    edit(" again");
    EXPECT_EQ(saveSteps + 1, injectFaults(text, false, note, ctrlS, unmodified))
        << "clearing the read-only attribute is one step";
    ASSERT_GT(saveSteps, 0);
    EXPECT_EQ(text, readNote(note, "pw"));

    // Save As to a new file, then over an existing one, whose save passes the same steps: there
    // the image copy's long run of alike read and write steps is sampled, every fifth.
    int saveAsSteps = 0;
    for (bool overExisting : {false, true}) {
        const std::string target = joinPath(notes_, overExisting ? "over.exe" : "new.exe");
        if (overExisting) makeNote("notes\\over.exe", "older", "other");
        const std::string saved = text;
        edit(" more");
        std::vector<int> points;
        for (int point = 1; point <= saveAsSteps; ++point)
            if (point <= 8 || point > saveAsSteps - 16 || point % 5 == 0) points.push_back(point);
        const int failed = injectFaults(
            text, false, target,
            [&] {
                postCommand(window_.window, ID_FILE_SAVE_AS);
                chooseFile("Save As", target, window_.pid);
                if (overExisting) {
                    EXPECT_EQ("File already exists - overwrite?",
                              answerMessageBox(kQuestionCaption, IDYES, window_.pid));
                }
            },
            [&] { return window_.title() == mainTitle(target); }, points);
        EXPECT_TRUE(!overExisting || failed == static_cast<int>(points.size())) << failed;
        saveAsSteps = failed;
        EXPECT_EQ(text, readNote(target, "pw"));
        EXPECT_EQ(saved, readNote(note, "pw")) << "Save As leaves the source alone";
        note = target;
    }
    ASSERT_GT(saveAsSteps, 0);
    std::cout << "[ faults   ] steps of Save " << saveSteps << ", of Save As " << saveAsSteps
              << "\n";

    // A second window on the note: a save that would undo work written elsewhere (the other
    // window, quillox-note) asks first, and No leaves the file byte for byte.
    EditorWindow other = openAsCopy(QUILLOX_EXE, note);
    std::string otherText = text;
    const auto refuse = [&](const std::string& more) {
        appendText(other, more, otherText += more);
        const Bytes before = readFile(note);
        pressChord(other.window, {VK_CONTROL, 'S'});
        EXPECT_EQ(kChanged, answerMessageBox(kQuestionCaption, IDNO, other.pid));
        waitUntil([&] { return listFiles(notes_, "~*").empty(); }, "the temporary file to go");
        EXPECT_TRUE(other.modified());
        EXPECT_TRUE(before == readFile(note)) << "No must leave the note byte for byte";
    };
    edit(" A");
    save(window_);  // nothing changed elsewhere: no question holds the save up
    refuse(" B");
    pressChord(other.window, {VK_CONTROL, 'S'});
    EXPECT_EQ(kChanged, answerMessageBox(kQuestionCaption, IDYES, other.pid));
    waitUntil([&] { return !other.modified(); }, "the save to clear the modified flag");
    EXPECT_EQ(otherText, readNote(note, "pw"));
    runTool("set " + inQuotes(note) + " --read-only on");  // keeps the record, IV and digest
    refuse(" C");

    // Save As over the open note's own file follows the same rule; a note gone is written anew.
    ASSERT_TRUE(MoveFileA(note.c_str(), path("moved.exe").c_str()));
    edit(" again");
    postCommand(window_.window, ID_FILE_SAVE_AS);
    chooseFile("Save As", note, window_.pid);
    EXPECT_EQ(
        "The note file is no longer there (deleted or renamed) since it was opened here.\n\nSave "
        "it anew?",
        answerMessageBox(kQuestionCaption, IDYES, window_.pid));
    waitUntil([&] { return !window_.modified(); }, "the save to clear the modified flag");
    EXPECT_EQ(text, readNote(note, "pw"));
    postClose(window_.window);
    postClose(other.window);
    answerMessageBox(kQuestionCaption, IDNO, other.pid);  // whether to save " C"
    EXPECT_EQ("0 0 0", exitCodes(0)) << "the two editors and quillox-note";
}

}  // namespace
}  // namespace e2e
