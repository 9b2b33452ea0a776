// The scenario fixture: each test runs in a fresh folder with its own temporary directory (TMP
// and TEMP point into it, so GetTempPathA names it for the driver and for every Quillox process
// it starts), a copy of the editor, and a process family that is killed whatever the outcome.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver.h"
#include "storage/note_document.h"

namespace e2e {

constexpr const char* kMainClass = "Quillox::main";
constexpr const char* kPromptTitle = "Quillox: Please enter passphrase";
constexpr const char* kSetPassphraseTitle = "Quillox: Enter passphrase";
constexpr const char* kErrorCaption = "Quillox::error";
constexpr const char* kQuestionCaption = "Quillox";
constexpr const char* kAboutTitle = "Quillox::About";
constexpr const char* kNewDocument = "<new document>";
constexpr const char* kSaveQuestion = "Do you want to save modifications before exiting?";

// Written out rather than taken from the editor's header: the numbers a user's clicks send.
enum : int {
    IdPassphrase = 1001,
    IdPassphraseRepeat = 1002,
    IdPassphraseOk = 3,
    IdPassphraseCancel = 4,
    CmdNew = 57600,
    CmdSave = 57603,
    CmdSaveAs = 57604,
    CmdImportText = 40037,
    CmdExportText = 40038,
    CmdSetPassphrase = 40010,
    CmdMakeReadOnly = 40041,
    CmdExit = 40004,
    CmdAbout = 40007,
    CmdUndo = 57643,
    CmdCut = 57635,
    CmdCopy = 57634,
    CmdPaste = 57637,
    CmdDelete = 40033,
    CmdFind = 57636,
    CmdFindNext = 57640,
};

inline std::string mainTitle(const std::string& label) {
    return "Quillox version 1.3-beta1: " + label;
}

// An open editor window: its process, the window and its edit control.
struct EditorWindow {
    DWORD pid = 0;
    HWND window = nullptr;
    HWND editor = nullptr;

    std::string title() const { return windowText(window); }
    std::string text() const { return controlText(editor); }
    bool modified() const { return editModified(editor); }
};

// A note opened as a user opens it: started without arguments, relaunched through its
// temporary copy, passphrase entered.
struct OpenedNote {
    Process* note = nullptr;      // the note executable the test started
    std::size_t firstMember = 0;  // the family's members from this one on belong to this opening
    std::string copyPath;         // the temporary copy in GetTempPathA's folder
    EditorWindow editor;
};

class QuilloxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& folder() const { return scratch_->path(); }
    const std::string& tempDir() const { return temp_; }
    // The editor copied into the test folder: the build's own must survive every road.
    const std::string& editorExe() const { return editor_; }
    std::string path(const std::string& name) const { return joinPath(folder(), name); }
    ProcessFamily& family() { return *family_; }

    // A note made by the storage code from the editor image, with `placement` and `flags`.
    std::string makeNote(const std::string& name, const std::string& text,
                         const std::string& passphrase, const WindowPlacement& placement = {},
                         std::uint32_t flags = 0);
    // Reads a note with the storage code; throws DriverError when it does not open.
    std::string readNote(const std::string& path, const std::string& passphrase);

    Process& startEditor(const std::string& args = {}) {
        return family_->start(editor_, args, "the editor started with " + inQuotes(args));
    }
    Process& startNote(const std::string& note) { return family_->start(note, {}, baseName(note)); }
    // The temporary copies now in the temporary directory, as file names.
    std::vector<std::string> tempCopies() const { return listFiles(temp_, "Quillox-*.exe"); }
    std::string waitTempCopy();

    HWND waitPrompt(DWORD pid = 0) { return waitWindow(dialogTitled(kPromptTitle, pid)); }
    void submitPassphrase(HWND prompt, const std::string& passphrase);
    EditorWindow waitEditor(const std::string& title, DWORD pid = 0);
    // Types `text` at the end; waits until the editor shows `expected`.
    void appendText(EditorWindow& window, const std::string& text, const std::string& expected);

    // Starts the note and waits for its temporary copy (the prompt is the caller's).
    OpenedNote startOpening(const std::string& notePath);
    // startOpening, the passphrase, and the editor titled with the note's path.
    OpenedNote openNote(const std::string& notePath, const std::string& passphrase,
                        const std::string& titleSuffix = {});
    // The end of the road: the copy ends with 0 and is erased by the note's erase run, which
    // ends with 0, and nothing of this opening is left running.
    void expectCleanEnd(const OpenedNote& opened);
    // Closes the editor (no question expected), then expectCleanEnd.
    void closeAndExpectCleanEnd(OpenedNote& opened) {
        postClose(opened.editor.window);
        expectCleanEnd(opened);
    }

    void answerSetPassphrase(const std::string& first, const std::string& second, DWORD pid = 0);
    // Types `path` into a file dialog's file name field and presses its OK button.
    void chooseFile(const std::string& dialogTitle, const std::string& path, DWORD pid);
    // Saves a PNG of the window among the build's screenshots; answers its path.
    std::string screenshot(HWND window, const std::string& what);

private:
    std::unique_ptr<ScratchDir> scratch_;
    std::string temp_;
    std::string editor_;
    std::string savedTmp_;
    std::unique_ptr<ProcessFamily> family_;
};

}  // namespace e2e
