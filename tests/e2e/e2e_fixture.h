// Each scenario gets a fresh folder with its own TMP and TEMP, a copy of the editor, libraries
// planted under system names that must never load, and a process family killed whatever happens.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "driver.h"
#include "resources/resource.h"
#include "storage/note_document.h"

namespace e2e {

constexpr const char* kMainClass = "Quillox::main";
constexpr const char* kPromptTitle = "Quillox: Please enter passphrase";
constexpr const char* kErrorCaption = "Quillox::error";
constexpr const char* kQuestionCaption = "Quillox";
const std::string kSaveQuestion = "Do you want to save modifications before exiting?";
constexpr const char* kOverrides = "Software\\Wine\\DllOverrides";
constexpr char kNativeFirst[] = "native,builtin";
// The two libraries the editor uses that are not among the system's known DLLs.
constexpr const char* kPlanted[] = {"riched20", "comctl32"};

inline std::string mainTitle(const std::string& label) {
    return "Quillox version 1.3-beta1: " + label;
}

// An open editor window: its process, the window and its edit control.
struct EditorWindow {
    explicit EditorWindow(HWND main) : window(main), editor(descendant(main, "RichEdit20W")) {
        GetWindowThreadProcessId(main, &pid);
    }
    DWORD pid = 0;
    HWND window, editor;
    std::string text() const { return richEditText(editor); }
    bool modified() const { return editModified(editor); }
};

// What a run showed ("prompt|Invalid passphrase!|") and its exit codes in start order ("0 -1").
struct Road {
    std::string seen, codes;
};

class QuilloxTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeFolder(temp_);
        for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, temp_.c_str());
        copyFile(windowsPath(QUILLOX_EXE), editor_);
        // The program's folder first, as on Windows: WINEDLLOVERRIDES="riched20,comctl32=n,b"
        // kept where every process reads it, as a started one ignores the inherited environment.
        for (const char* dll : kPlanted)
            RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, dll, REG_SZ, kNativeFirst,
                            sizeof kNativeFirst);
        for (const std::string& where : {folder(), temp_})
            for (const char* dll : {PLANTED_RICHED20, PLANTED_COMCTL32})
                copyFile(windowsPath(dll), joinPath(where, baseName(windowsPath(dll))));
    }

    void TearDown() override {
        for (const char* dll : kPlanted) RegDeleteKeyValueA(HKEY_CURRENT_USER, kOverrides, dll);
        // A planted library leaves "<its path>.loaded" behind when it is loaded.
        for (const std::string& where : {folder(), temp_})
            EXPECT_EQ(std::vector<std::string>{}, listFiles(where, "*.loaded"));
    }

    const std::string& folder() const { return scratch_.path(); }
    const std::string& tempDir() const { return temp_; }
    // The editor copied into the test folder: the build's own must survive every road.
    const std::string& editorExe() const { return editor_; }
    std::string path(const std::string& name) const { return joinPath(folder(), name); }
    ProcessFamily& family() { return family_; }
    std::vector<std::string> tempCopies() const { return listFiles(temp_, "Quillox-*.exe"); }

    // A note made by the storage code from `image` (the editor's copy when empty).
    std::string makeNote(const std::string& name, const std::string& text,
                         const std::string& passphrase, const WindowPlacement& placement = {},
                         std::uint32_t flags = 0, const std::string& image = {}) {
        NoteDocument document(image.empty() ? editor_ : image);
        document.setKey(passphrase.c_str());
        document.setText(text);
        document.header.flags |= flags;
        const std::string note = path(name);
        if (!document.save(note, placement))
            throw DriverError("the storage code cannot write the note " + inQuotes(note));
        return note;
    }

    // A note's stored bytes (and its header), read by the storage code.
    std::string readNote(const std::string& note, const std::string& passphrase,
                         NoteHeader* header = nullptr) {
        NoteDocument document;
        String text;
        if (!document.load(note)) throw DriverError("cannot load " + inQuotes(note));
        document.setKey(passphrase.c_str());
        if (!document.verifyKey() || !document.getText(text))
            throw DriverError(inQuotes(passphrase) + " does not open " + inQuotes(note));
        if (header) *header = document.header;
        return text;
    }

    void runTool(const std::string& args) {
        // A console program starting under Wine: slower than the editor.
        if (family_.start(windowsPath(QUILLOX_NOTE_EXE), args).waitExit(3 * kPatience) != 0)
            throw DriverError("quillox-note " + args + " failed");
    }

    void submitPassphrase(HWND prompt, const std::string& passphrase) {
        // Key by key; the click is posted after the characters, so it arrives after them.
        const HWND edit = control(prompt, IDC_PASSPHRASE);
        for (char c : passphrase) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
        pressButton(prompt, IDC_PASSPHRASE_OK);
        waitGone(prompt, "the passphrase prompt");
    }

    // Types `text` at the end; waits until the editor shows `expected`.
    void appendText(EditorWindow& window, const std::string& text, const std::string& expected) {
        pressChord(window.window, {VK_CONTROL, VK_END});
        typeText(window.window, text);
        waitUntil([&] { return window.text() == expected; },
                  "the editor to show " + inQuotes(expected));
    }

    void save(const EditorWindow& window) {
        pressChord(window.window, {VK_CONTROL, 'S'});
        waitUntil([&] { return !window.modified(); }, "Ctrl+S to clear the modified flag");
    }

    // A copy of `exe` of its own started on the note as a temporary copy runs, passphrase "pw".
    EditorWindow openAsCopy(const std::string& exe, const std::string& note) {
        const std::string own = path("editor" + std::to_string(++copies_) + ".exe");
        copyFile(windowsPath(exe), own);
        Process& editor = family_.start(own, "-edit:" + inQuotes(note));
        submitPassphrase(waitWindow(dialogTitled(kPromptTitle, editor.pid())), "pw");
        return EditorWindow(waitWindow(WindowQuery{kMainClass, mainTitle(note), editor.pid()}));
    }

    // The exit codes of the family's members from `first` on, once all have ended.
    std::string exitCodes(std::size_t first) {
        family_.waitAllEnded();
        const auto members = family_.members();
        std::string codes;
        for (std::size_t i = first; i < members.size(); ++i)
            codes +=
                (i > first ? " " : "") + std::to_string(static_cast<int>(members[i]->waitExit(0)));
        return codes;
    }

    // Runs "exe" args and all it starts to the end as a person would: a box is read and answered
    // (No where offered), each prompt gets the next of `passphrases` (Cancel once none are left),
    // an editor is read (its first 100 characters), handed to `onEditor` and closed.
    Road finish(const std::string& exe, const std::string& args,
                const std::function<void(EditorWindow&)>& onEditor = {},
                std::vector<std::string> passphrases = {"pw"}, UINT codePage = CP_ACP) {
        const std::size_t first = family_.members().size();
        Process& started = family_.start(exe, args, codePage);
        const WindowQuery shown[] = {dialogTitled(kErrorCaption), dialogTitled(kPromptTitle),
                                     dialogTitled(kQuestionCaption),
                                     WindowQuery{kMainClass, "", 0}};
        Road road;
        HWND closed = nullptr;  // an editor asked to close, which may ask back first
        for (HWND found = nullptr;;) {
            waitUntil(
                [&] {
                    for (const WindowQuery& query : shown)
                        if ((found = findWindow(query)) && found != closed) return true;
                    found = nullptr;
                    return !started.running() && family_.allEnded();
                },
                "a window or the end of " + started.name());
            if (!found) break;
            if (className(found) == kMainClass) {
                EditorWindow window(found);
                road.seen += "editor:" + window.text().substr(0, 100) + "|";
                if (onEditor) onEditor(window);
                postClose(closed = found);
                continue;
            }
            if (windowText(found) != kPromptTitle) {
                road.seen += controlText(control(found, 0xFFFF)) + "|";  // a box's text
                pressButton(found, GetDlgItem(found, IDNO) ? IDNO : IDOK);
            } else if (passphrases.empty()) {
                road.seen += "prompt|";
                pressButton(found, IDC_PASSPHRASE_CANCEL);
            } else {
                road.seen += "prompt|";
                submitPassphrase(found, passphrases.front());
                passphrases.erase(passphrases.begin());
            }
            waitGone(found, "what showed");
        }
        road.codes = exitCodes(first);
        return road;
    }

    // Gives the command, types `path` into its file dialog's name field and presses OK.
    void chooseFile(const EditorWindow& window, int command, const std::string& path) {
        postCommand(window.window, command);
        const std::string title = command == ID_FILE_IMPORT_TEXT ? "Open" : "Save As";
        HWND dialog = waitWindow(dialogTitled(title, window.pid));
        // The file name field: the edit of the combo box cmb13 (1148) of the Explorer-style dialog.
        HWND field = descendant(control(dialog, 1148), "Edit");
        // A settling dialog can put its own name over ours from messages queued before the click:
        // the name is set again until it outlasts a selection posted behind it (and all before it).
        waitUntil(
            [&] {
                setText(field, path);
                PostMessageA(field, EM_SETSEL, 0, -1);
                Sleep(200);
                waitUntil(
                    [&] {
                        return SendMessageA(field, EM_GETSEL, 0, 0) != 0 ||
                               controlText(field) != path;
                    },
                    "the file dialog to handle its queue");
                return controlText(field) == path;
            },
            "the file name to stay in " + inQuotes(title));
        pressButton(dialog, IDOK);
        waitGone(dialog, "the file dialog " + inQuotes(title));
    }

private:
    // In this order: the family ends before the folder goes.
    ScratchDir scratch_{windowsPath(E2E_WORK_DIR)};
    const std::string temp_ = path("tmp\\"), editor_ = path("quillox.exe");
    ProcessFamily family_;
    int copies_ = 0;
};

}  // namespace e2e
