// Save and Save As under injected file failures: the test build of the editor fails the chosen
// step of its save (every create, open for writing, write, flush, read-back, attribute change and
// replace counts as one step), in turn from the first to the last, once as a plain failure and
// once as a write that stops part-way. Every failure must leave the old file byte for byte, no
// file of the save's own behind, the window open with the text, and the user told twice.
#include "driver_keyboard.h"
#include "e2e_fixture.h"

#include <algorithm>
#include <functional>
#include <iostream>

namespace e2e {
namespace {

constexpr const char* kSaveError = "Error saving file!";

class SaveFaults : public QuilloxTest {
protected:
    void SetUp() override {
        QuilloxTest::SetUp();
        notes_ = path("notes");
        makeFolder(notes_);
        makeFolder(path("bin"));
    }

    std::string notePath(const std::string& name) const { return joinPath(notes_, name); }

    // The test editor on a note, as its temporary copy would run: "-edit" and the passphrase.
    // Each run gets a copy of its own, since the erase that follows its end deletes it.
    EditorWindow openInFaultyEditor(const std::string& note, const std::string& passphrase) {
        const std::string faulty = path("bin\\faulty" + std::to_string(++runs_) + ".exe");
        copyFile(windowsPath(QUILLOX_FAULTY_EXE), faulty);
        Process& editor = family().start(faulty, "-edit:\"" + note + "\"", "the test editor");
        submitPassphrase(waitPrompt(editor.pid()), passphrase);
        return waitEditor(mainTitle(note), editor.pid());
    }

    static void arm(const EditorWindow& window, int point, bool shortWrite) {
        static const UINT message = RegisterWindowMessageA("Quillox::fault");
        PostMessageA(window.window, message, static_cast<WPARAM>(point), shortWrite ? 1 : 0);
    }

    // Arms one point before each run of `save` and, after every failure, checks what the user
    // and the disk show. With no `points` given they are 1, 2, ... until a save gets through,
    // and the answer is the number of failed saves: the number of steps one save passes. With
    // `points` (all within `steps`) each of them fails, then a save armed beyond the last step
    // must get through, and the answer is the number of points.
    int injectFaults(EditorWindow& window, bool shortWrite, const std::string& target,
                     const std::function<void()>& save, const std::function<bool()>& succeeded,
                     const std::vector<int>& points = {}, int steps = 0) {
        const bool existed = fileExists(target);
        const FileBytes before = existed ? readFile(target) : FileBytes{};
        const DWORD attributes = GetFileAttributesA(target.c_str());
        const std::vector<std::string> files = listFiles(notes_, "*");
        const std::string text = window.text();
        WindowQuery errorBox = dialogTitled(kErrorCaption);
        errorBox.pid = window.pid;
        const bool listed = !points.empty();

        for (std::size_t i = 0; i < 1000; ++i) {
            const int point =
                !listed ? static_cast<int>(i) + 1 : (i < points.size() ? points[i] : steps + 1);
            arm(window, point, shortWrite);
            save();
            waitUntil([&] { return findWindow(errorBox) || succeeded(); },
                      "an error box or the end of the save with point " + std::to_string(point) +
                          " armed");
            if (!findWindow(errorBox)) {
                if (!listed) return point - 1;
                EXPECT_GT(point, steps) << "a save got through with a fault armed in it";
                return static_cast<int>(points.size());
            }

            SCOPED_TRACE("fault at point " + std::to_string(point) +
                         (shortWrite ? " (short write)" : " (failure)"));
            if (listed && point > steps) ADD_FAILURE() << "the save has more steps than before";
            EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, window.pid).text)
                << "the storage's report";
            EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, window.pid).text)
                << "the command's report";
            EXPECT_TRUE(IsWindowVisible(window.window));
            EXPECT_EQ(text, window.text());
            EXPECT_TRUE(window.modified());
            if (existed) {
                EXPECT_TRUE(before == readFile(target)) << "the old file is changed";
                EXPECT_EQ(attributes, GetFileAttributesA(target.c_str())) << "its attributes";
            } else {
                EXPECT_FALSE(fileExists(target)) << "a failed Save As leaves a file";
            }
            EXPECT_EQ(files, listFiles(notes_, "*")) << "files left in the note's folder";
            if (HasFailure()) return -point;
        }
        ADD_FAILURE() << "no save got through";
        return -1;
    }

    void report(const std::string& what, int failPoints, int shortPoints) {
        std::cout << "[ faults   ] " << what << ": " << failPoints << " failures, " << shortPoints
                  << " short writes injected\n";
        RecordProperty(what, std::to_string(failPoints + shortPoints));
    }

    std::string notes_;
    int runs_ = 0;
};

// Plain failures on a note whose file is read-only (the save clears the attribute before the
// replace and must put it back when the replace fails), short writes on a plain one.
TEST_F(SaveFaults, CtrlSOnAnOpenedNote) {
    int counts[2] = {};
    for (bool shortWrite : {false, true}) {
        const std::string note = makeNote(
            std::string("notes\\diary") + (shortWrite ? "2" : "1") + ".exe", "Monday", "pw");
        if (!shortWrite) {
            ASSERT_TRUE(SetFileAttributesA(note.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        EditorWindow window = openInFaultyEditor(note, "pw");
        pressChord(window.window, {VK_CONTROL, VK_END});
        typeText(window.window, " edited");
        waitUntil([&] { return window.text() == "Monday edited"; }, "the typed text");

        counts[shortWrite] = injectFaults(
            window, shortWrite, note,
            [&] {
                pressChord(window.window, {VK_CONTROL, 'S'});
            },
            [&] { return !window.modified(); });
        ASSERT_GT(counts[shortWrite], 0);
        EXPECT_EQ("Monday edited", readNote(note, "pw"));
        postClose(window.window);
        EXPECT_EQ(0u, Process::open(window.pid, "the test editor").waitExit(kPatience));
    }
    // The read-only file adds the step that clears its attribute.
    EXPECT_EQ(counts[0], counts[1] + 1);
    report("Save of a read-only note", counts[0], 0);
    report("Save", 0, counts[1]);
}

// The steps of Save, reached through the Save As command (plain failures; the short writes of
// the shared save road are Save's test). Every Save As passes a file dialog, so over an existing
// file, whose save takes the same steps as to a new one, the image copy's run of identical
// read and write steps is sampled: all steps outside it and every fifth within.
TEST_F(SaveFaults, SaveAsToANewFileAndOverAnExistingOne) {
    int counts[2] = {};
    int steps = 0;
    for (bool overExisting : {false, true}) {
        const std::string tag = overExisting ? "2" : "1";
        const std::string note = makeNote("notes\\source" + tag + ".exe", "Tuesday", "pw");
        const std::string target = notePath("target" + tag + ".exe");
        if (overExisting) makeNote("notes\\target" + tag + ".exe", "older note", "other");
        EditorWindow window = openInFaultyEditor(note, "pw");
        pressChord(window.window, {VK_CONTROL, VK_END});
        typeText(window.window, " edited");
        waitUntil([&] { return window.text() == "Tuesday edited"; }, "the typed text");

        std::vector<int> points;
        for (int point = 1; overExisting && point <= steps; ++point) {
            if (point <= 8 || point > steps - 16 || point % 5 == 0) points.push_back(point);
        }
        counts[overExisting] = injectFaults(
            window, false, target,
            [&] {
                postCommand(window.window, CmdSaveAs);
                chooseFile("Save As", target, window.pid);
                if (overExisting) {
                    EXPECT_EQ("File already exists - overwrite?",
                              answerMessageBox(kQuestionCaption, IDYES, window.pid).text);
                }
            },
            [&] { return window.title() == mainTitle(target); }, points, steps);
        ASSERT_GT(counts[overExisting], 0);
        if (!overExisting) steps = counts[0];
        EXPECT_FALSE(window.modified());
        EXPECT_EQ("Tuesday edited", readNote(target, "pw"));
        EXPECT_EQ("Tuesday", readNote(note, "pw")) << "Save As leaves the source alone";
        postClose(window.window);
        EXPECT_EQ(0u, Process::open(window.pid, "the test editor").waitExit(kPatience));
    }
    report("Save As to a new file", counts[0], 0);
    report("Save As over an existing file (sampled)", counts[1], 0);
}

}  // namespace
}  // namespace e2e
