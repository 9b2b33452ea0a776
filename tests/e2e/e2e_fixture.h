// The scenario fixture: each test runs in a fresh folder of its own, with its own temporary
// directory (TMP and TEMP point into the folder, so GetTempPathA names it for the driver and for
// every Quillox process it starts), a copy of the editor, and a process family that is killed
// whatever the outcome.
#pragma once

#include "driver_files.h"
#include "driver_process.h"
#include "driver_wait.h"
#include "driver_window.h"

#include "storage/note_document.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace e2e {

constexpr const char* kMainClass = "Quillox::main";
constexpr const char* kPromptTitle = "Quillox: Please enter passphrase";
constexpr const char* kSetPassphraseTitle = "Quillox: Enter passphrase";
constexpr const char* kErrorCaption = "Quillox::error";
constexpr const char* kQuestionCaption = "Quillox";
constexpr const char* kAboutTitle = "Quillox::About";
constexpr const char* kNewDocument = "<new document>";

// Control and command identifiers of the editor's resources, written out here rather than taken
// from the editor's own header, so that a wrong number there shows up as a failing scenario.
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

std::string mainTitle(const std::string& label);

// An editor window that is open: the process that shows it, the window and its edit control.
struct EditorWindow {
    DWORD pid = 0;
    HWND window = nullptr;
    HWND editor = nullptr;

    std::string title() const { return windowText(window); }
    std::string text() const { return controlText(editor); }
    bool modified() const { return editModified(editor); }
};

// A note opened the way a user opens it: started without arguments, relaunched through its
// temporary copy, passphrase entered.
struct OpenedNote {
    Process* note = nullptr;      // the note executable the test started; ends after the relaunch
    std::size_t firstMember = 0;  // the family's members from this one on belong to this opening
    std::string copyPath;         // the temporary copy in GetTempPathA's folder
    EditorWindow editor;
};

class QuilloxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& folder() const { return folder_; }
    const std::string& tempDir() const { return temp_; }
    // The editor as built, copied into the test folder: started with "-edit" or "-erase" a
    // program may delete its own executable afterwards, and the build's copy must survive.
    const std::string& editorExe() const { return editor_; }
    std::string path(const std::string& name) const { return joinPath(folder_, name); }
    ProcessFamily& family() { return *family_; }

    // A note made by the storage code: the editor image, the record for `text` under
    // `passphrase` with `placement` and `flags` in its header, and the trailer.
    std::string makeNote(const std::string& name, const std::string& text,
                         const std::string& passphrase, const WindowPlacement& placement = {},
                         std::uint32_t flags = 0);
    // Reads a note back with the storage code; fails the test when it does not open.
    std::string readNote(const std::string& path, const std::string& passphrase);

    Process& startEditor(const std::string& args = {});
    Process& startNote(const std::string& notePath);

    // The temporary copies now in the temporary directory, as file names.
    std::vector<std::string> tempCopies() const;
    std::string waitTempCopy();

    HWND waitPrompt(DWORD pid = 0);
    void submitPassphrase(HWND prompt, const std::string& passphrase);
    EditorWindow waitEditor(const std::string& title, DWORD pid = 0);
    // Moves the caret to the end and types `text` there; waits until the editor shows `expected`.
    void appendText(EditorWindow& window, const std::string& text, const std::string& expected);

    // Starts the note, waits for its temporary copy and prompt, enters the passphrase and
    // waits for the editor titled with the note's path.
    OpenedNote openNote(const std::string& notePath, const std::string& passphrase,
                        const std::string& titleSuffix = {});
    // Closes the editor (no question expected) and checks the end of the road: the copy
    // ends with 0, is erased, and every process of the family ends with 0.
    void closeAndExpectCleanEnd(OpenedNote& opened);
    // Starts the note and waits for its temporary copy (the prompt is the caller's).
    OpenedNote startOpening(const std::string& notePath);
    // Checks that every process the scenario had ended with exit code 0 and the copy is gone.
    void expectCleanEnd(const OpenedNote& opened);

    // Answers the set-passphrase dialog with `first` and `second`.
    void answerSetPassphrase(const std::string& first, const std::string& second, DWORD pid = 0);
    // Types `path` into a file dialog's file name field and presses its OK button.
    void chooseFile(const std::string& dialogTitle, const std::string& path, DWORD pid);

    std::string screenshot(HWND window, const std::string& what);

private:
    std::string folder_;
    std::string temp_;
    std::string editor_;
    std::string savedTmp_;
    std::string savedTemp_;
    std::unique_ptr<ProcessFamily> family_;
};

}  // namespace e2e
