// The scenario fixture: each test runs in a fresh folder with its own temporary directory (TMP
// and TEMP point into it, so GetTempPathA names it for the driver and for every Quillox process
// it starts), a copy of the editor, and a process family that is killed whatever the outcome.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver.h"
#include "resources/resource.h"
#include "storage/note_document.h"

namespace e2e {

constexpr const char* kMainClass = "Quillox::main";
constexpr const char* kPromptTitle = "Quillox: Please enter passphrase";
constexpr const char* kSetPassphraseTitle = "Quillox: Enter passphrase";
constexpr const char* kErrorCaption = "Quillox::error";
constexpr const char* kQuestionCaption = "Quillox";
constexpr const char* kNewDocument = "<new document>";

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

    // A note made by the storage code from `image` (the editor's copy when empty).
    std::string makeNote(const std::string& name, const std::string& text,
                         const std::string& passphrase, const WindowPlacement& placement = {},
                         std::uint32_t flags = 0, const std::string& image = {});
    // Reads a note's stored bytes (and whether they are flagged UTF-8) with the storage code;
    // throws DriverError when it does not open.
    std::string readNote(const std::string& path, const std::string& passphrase,
                         bool* utf8 = nullptr);

    Process& startEditor(const std::string& args = {}) {
        return family_->start(editor_, args, "the editor started with " + inQuotes(args));
    }
    // The temporary copies now in the temporary directory, as file names.
    std::vector<std::string> tempCopies() const { return listFiles(temp_, "Quillox-*.exe"); }

    HWND waitPrompt(DWORD pid = 0) { return waitWindow(dialogTitled(kPromptTitle, pid)); }
    void submitPassphrase(HWND prompt, const std::string& passphrase);
    EditorWindow waitEditor(const std::string& title, DWORD pid = 0);
    // Types `text` at the end; waits until the editor shows `expected`.
    void appendText(EditorWindow& window, const std::string& text, const std::string& expected);
    // Ctrl+S; waits until the save clears the modified flag.
    void save(const EditorWindow& window);

    // Starts the note and waits for its temporary copy (the prompt is the caller's).
    OpenedNote startOpening(const std::string& notePath);
    // startOpening, the passphrase, and the editor titled with the note's path.
    OpenedNote openNote(const std::string& notePath, const std::string& passphrase,
                        const std::string& titleSuffix = {});
    // A copy of `exe` of its own started on the note as a temporary copy runs, passphrase "pw".
    EditorWindow openAsCopy(const std::string& exe, const std::string& note);
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
    // Saves a BMP of the window among the build's screenshots; answers its path.
    std::string screenshot(HWND window, const std::string& what);

private:
    std::unique_ptr<ScratchDir> scratch_;
    std::string temp_, editor_, savedTmp_;
    std::unique_ptr<ProcessFamily> family_;
    int copies_ = 0;
};

}  // namespace e2e
