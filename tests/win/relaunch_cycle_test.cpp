// A note executable started directly: it relaunches through a copy in the temporary directory,
// and the copy is erased again even when its passphrase prompt is cancelled.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "startup/relaunch.h"
#include "storage/note_document.h"
#include "win_support.h"

namespace {

std::vector<std::string> tempCopiesIn(const std::string& folder) {
    std::vector<std::string> copies;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\Quillox-*.exe").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return copies;
    do copies.push_back(folder + "\\" + entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return copies;
}

DWORD fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

class TempDirectoryOverride {
public:
    explicit TempDirectoryOverride(const std::string& folder) {
        SetEnvironmentVariableA("TMP", (folder + "\\").c_str());
        SetEnvironmentVariableA("TEMP", (folder + "\\").c_str());
    }
    ~TempDirectoryOverride() {
        SetEnvironmentVariableA("TMP", saved_tmp_.empty() ? nullptr : saved_tmp_.c_str());
        SetEnvironmentVariableA("TEMP", saved_temp_.empty() ? nullptr : saved_temp_.c_str());
    }

private:
    static std::string get(const char* name) {
        char value[MAX_PATH + 1] = {};
        GetEnvironmentVariableA(name, value, sizeof value);
        return value;
    }
    std::string saved_tmp_ = get("TMP");
    std::string saved_temp_ = get("TEMP");
};

// The prompt once it is shown: its window exists a moment before its buttons do, and a click
// without a button handle is ignored by design.
HWND waitForPrompt() {
    for (int i = 0; i < 300; ++i) {
        HWND prompt = FindWindowA(nullptr, "Quillox: Please enter passphrase");
        if (prompt != nullptr && IsWindowVisible(prompt) && GetDlgItem(prompt, 4) != nullptr)
            return prompt;
        Sleep(100);
    }
    return nullptr;
}

TEST(RelaunchCycle, CopyHoldsTheImageAndIsErasedAfterACancelledPrompt) {
    ScratchFolder notes;
    ScratchFolder temp;
    const std::string note = notes / "my notes\\list.exe";
    NoteDocument document(editorPath());
    document.setkey("pass word");
    document.settext("first line\r\nsecond line");
    ASSERT_TRUE(document.save(note, WindowPlacement{}));

    TempDirectoryOverride override(temp.path());
    const ChildResult relaunch = runChild("\"" + note + "\"", 30000);
    ASSERT_TRUE(relaunch.ended);
    EXPECT_EQ(relaunch.exitCode, 0u);
    EXPECT_TRUE(relaunch.errorBoxes.empty());

    if (haveDisplay()) {
        HWND prompt = waitForPrompt();
        ASSERT_NE(prompt, nullptr) << "the copy shows no passphrase prompt";
        const std::vector<std::string> copies = tempCopiesIn(temp.path());
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(fileSize(copies[0]), fileSize(editorPath()));
        SendMessageA(prompt, WM_COMMAND, MAKEWPARAM(4, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(prompt, 4)));
    }
    // The copy ends and starts the note with "-erase", which deletes it.
    for (int i = 0; i < 300 && !tempCopiesIn(temp.path()).empty(); ++i) Sleep(100);
    EXPECT_TRUE(tempCopiesIn(temp.path()).empty()) << "the temporary copy stayed behind";
    EXPECT_TRUE(fileExists(note.c_str()));
    // A copy left at its prompt by a failure above must not outlive the test.
    if (HWND stray = FindWindowA(nullptr, "Quillox: Please enter passphrase"))
        PostMessageA(stray, WM_CLOSE, 0, 0);
}

TEST(EditRoad, ANoteStartedWithEditIsNeverHandedOverForDeletion) {
    ScratchFolder scratch;
    const std::string first = scratch / "first.exe";
    const std::string second = scratch / "second.exe";
    for (const std::string& path : {first, second}) {
        NoteDocument document(editorPath());
        document.setkey("pw");
        document.settext("text of " + path);
        ASSERT_TRUE(document.save(path, WindowPlacement{}));
    }
    TempDirectoryOverride override(scratch.path());
    const std::string command = "\"" + first + "\" -edit:\"" + second + "\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    if (haveDisplay()) {
        HWND prompt = waitForPrompt();
        ASSERT_NE(prompt, nullptr);
        SendMessageA(prompt, WM_COMMAND, MAKEWPARAM(4, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(prompt, 4)));
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    // Long enough for a wrongly started eraser to have run.
    Sleep(4000);
    EXPECT_TRUE(fileExists(first.c_str())) << "a note was deleted";
    EXPECT_TRUE(fileExists(second.c_str()));
}

// The editor with a trailer that claims more bytes than the file has.
void writeDamagedNote(const std::string& path) {
    ASSERT_TRUE(CopyFileA(editorPath().c_str(), path.c_str(), FALSE));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFilePointer(file, 0, nullptr, FILE_END);
    const unsigned char trailer[8] = {0xEF, 0xBE, 0xAD, 0xDE, 0x00, 0xFF, 0xFF, 0x7F};
    DWORD written = 0;
    WriteFile(file, trailer, sizeof trailer, &written, nullptr);
    CloseHandle(file);
}

TEST(DamagedNote, StartedDirectlyReportsAndEndsWithMinusOne) {
    ScratchFolder scratch;
    const std::string note = scratch / "damaged.exe";
    writeDamagedNote(note);
    const ChildResult run = runChild("\"" + note + "\"", 30000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
    if (haveDisplay()) {
        ASSERT_EQ(run.errorBoxes.size(), 1u);
        EXPECT_EQ(run.errorBoxes[0], "Error loading file!");
    }
}

// Points the temporary folder of the programs this test starts at `folder`.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::string& folder) {
        for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, folder.c_str());
    }
    ~TemporaryFolderOverride() {
        for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, nullptr);
    }
};

TEST(DamagedNote, ACopyEditingItEndsWithMinusOneAndIsStillErased) {
    ScratchFolder scratch;
    TemporaryFolderOverride temporary(scratch.path());
    const std::string note = scratch / "damaged.exe";
    writeDamagedNote(note);
    const std::string copy = scratch / "Quillox-0D0D.exe";
    ASSERT_TRUE(CopyFileA(editorPath().c_str(), copy.c_str(), FALSE));

    const ChildResult run = runChild("\"" + copy + "\" -edit:\"" + note + "\"", 30000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
    if (haveDisplay()) {
        ASSERT_EQ(run.errorBoxes.size(), 1u);
        EXPECT_EQ(run.errorBoxes[0], "Error loading file!");
    }
    for (int i = 0; i < 300 && fileExists(copy.c_str()); ++i) Sleep(100);
    EXPECT_FALSE(fileExists(copy.c_str())) << "the copy stayed behind";
}

// Only a copy the relaunch made is disposable: the user's own editor, started with "-edit" from
// anywhere else (or under another name), is never handed to the note for erasing.
TEST(DamagedNote, TheUsersOwnEditorIsNeverErased) {
    ScratchFolder scratch;
    ScratchFolder elsewhere;
    TemporaryFolderOverride temporary(elsewhere.path());
    const std::string note = scratch / "damaged.exe";
    writeDamagedNote(note);
    for (const std::string& name : {std::string("quillox.exe"), std::string("Quillox-0F0F.exe")}) {
        const std::string editor = scratch / name;
        ASSERT_TRUE(CopyFileA(editorPath().c_str(), editor.c_str(), FALSE));
        const ChildResult run = runChild("\"" + editor + "\" -edit:\"" + note + "\"", 30000);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
        Sleep(3500);  // longer than an erase would take
        EXPECT_TRUE(fileExists(editor.c_str())) << name << " was erased";
    }
}

TEST(EditRoad, AFileWithoutANoteIsRefusedAndNeverStarted) {
    ScratchFolder scratch;
    const std::string plain = scratch / "plain program.exe";
    ASSERT_TRUE(CopyFileA(windowsPath(QUILLOX_ECHO_ARGS).c_str(), plain.c_str(), FALSE));
    const std::string out = scratch / "started.txt";
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", out.c_str());
    const std::string copy = scratch / "Quillox-0E0E.exe";
    ASSERT_TRUE(CopyFileA(editorPath().c_str(), copy.c_str(), FALSE));

    const ChildResult run = runChild("\"" + copy + "\" -edit:\"" + plain + "\"", 30000);
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", nullptr);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
    if (haveDisplay()) {
        ASSERT_EQ(run.errorBoxes.size(), 1u);
        EXPECT_EQ(run.errorBoxes[0], "Error loading file!");
    }
    // Long enough for a wrongly started program to have written its file.
    Sleep(3000);
    EXPECT_FALSE(fileExists(out.c_str())) << "a program that is not a note was started";
}

}  // namespace
