// The erase and launch halves of the relaunch, run as real processes.
#include "startup/relaunch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/app_state.h"
#include "startup/temp_name.h"
#include "win_support.h"

namespace {

constexpr DWORD kMinusOne = 0xFFFFFFFFu;
// Generous: the erase itself takes at most about 3 s, Wine's start-up adds to it.
constexpr DWORD kChildTimeoutMs = 30000;

std::string eraseCommand(const std::string& path) {
    return "\"" + editorPath() + "\" -erase:\"" + path + "\"";
}

TEST(Erase, MissingFileEndsWithMinusOneAndNoMessage) {
    ScratchFolder scratch;
    const ChildResult run = runChild(eraseCommand(scratch / "Quillox-0000.exe"), kChildTimeoutMs);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, kMinusOne);
    EXPECT_TRUE(run.errorBoxes.empty()) << run.errorBoxes.front();
}

TEST(Erase, DeletesAFileThatIsFree) {
    ScratchFolder scratch;
    const std::string copy = scratch / "dir with blanks\\Quillox-1A2B.exe";
    writeTextFile(copy, "image");
    const ChildResult run = runChild(eraseCommand(copy), kChildTimeoutMs);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(fileExists(copy.c_str()));
}

struct HeldFile {
    std::string path;
    HANDLE handle;
    DWORD holdMs;
};

// Keeps the file open without sharing, as a copy's still-running process does, then lets go.
void holdThenRelease(void* context) {
    auto* held = static_cast<HeldFile*>(context);
    Sleep(held->holdMs);
    EXPECT_TRUE(fileExists(held->path.c_str())) << "deleted while held open";
    CloseHandle(held->handle);
    held->handle = INVALID_HANDLE_VALUE;
}

HANDLE openUnshared(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(Erase, RetriesWhileTheFileIsHeldAndSucceedsOnceReleased) {
    ScratchFolder scratch;
    const std::string copy = scratch / "Quillox-0A0A.exe";
    writeTextFile(copy, "image");
    HeldFile held{copy, openUnshared(copy), 1500};
    ASSERT_NE(held.handle, INVALID_HANDLE_VALUE);

    const ChildResult run = runChild(eraseCommand(copy), kChildTimeoutMs, holdThenRelease, &held);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.errorBoxes.empty());
    EXPECT_FALSE(fileExists(copy.c_str()));
}

TEST(Erase, GivesUpWithAMessageWhenTheFileStaysInUse) {
    if (!haveDisplay()) GTEST_SKIP() << "the error box needs a display";
    ScratchFolder scratch;
    const std::string copy = scratch / "Quillox-7FFF.exe";
    writeTextFile(copy, "image");
    HANDLE handle = openUnshared(copy);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);

    const ChildResult run = runChild(eraseCommand(copy), kChildTimeoutMs);
    CloseHandle(handle);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, kMinusOne);
    ASSERT_EQ(run.errorBoxes.size(), 1u);
    EXPECT_EQ(run.errorBoxes[0], "Error erasing tempfile!");
    EXPECT_TRUE(fileExists(copy.c_str()));
}

std::string waitForFile(const std::string& path) {
    for (int i = 0; i < 300 && !fileExists(path.c_str()); ++i) Sleep(100);
    return readTextFile(path);
}

TEST(LaunchProcess, QuotesTheExecutableAndPassesTheArgumentsAfterOneBlank) {
    ScratchFolder scratch;
    const std::string program = scratch / "folder with blanks\\echo args.exe";
    ASSERT_TRUE(CopyFileA(windowsPath(QUILLOX_ECHO_ARGS).c_str(), program.c_str(), FALSE));
    const std::string out = scratch / "args.txt";
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", out.c_str());

    ASSERT_TRUE(launchProcess(program.c_str(), "-edit:\"C:\\My Notes\\list a.exe\" second"));
    EXPECT_EQ(waitForFile(out), "2\n-edit:C:\\My Notes\\list a.exe\nsecond\n");
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", nullptr);
}

// A "note" whose image is the argument-echo helper: its copy, when started, tells what it got.
std::string writeEchoNote(ScratchFolder& scratch) {
    const std::string note = scratch / "notes dir\\echo note.exe";
    EXPECT_TRUE(CopyFileA(windowsPath(QUILLOX_ECHO_ARGS).c_str(), note.c_str(), FALSE));
    HANDLE file = CreateFileA(note.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_END);
    const unsigned char block[] = {'n', 'o', 't', 'e', 0xEF, 0xBE, 0xAD, 0xDE, 4, 0, 0, 0};
    DWORD written = 0;
    WriteFile(file, block, sizeof block, &written, nullptr);
    CloseHandle(file);
    return note;
}

DWORD sizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.nFileSizeLow;
}

TEST(Relaunch, SkipsANameHeldByARunningCopyAndStartsTheImageWithEdit) {
    ScratchFolder scratch;
    const std::string note = writeEchoNote(scratch);
    const std::string temp = scratch / "temp\\";
    CreateDirectoryA(temp.c_str(), nullptr);
    const std::string out = scratch / "args.txt";

    AppState saved = appState();
    std::strcpy(appState().modulePath, note.c_str());
    char savedTmp[MAX_PATH + 1] = {};
    GetEnvironmentVariableA("TMP", savedTmp, sizeof savedTmp);
    SetEnvironmentVariableA("TMP", temp.c_str());
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", out.c_str());

    // The name the first draw gives is held open without sharing, as a running copy holds it.
    std::srand(77);
    std::string taken;
    ASSERT_TRUE(buildTempName(temp, static_cast<unsigned>(std::rand()), taken));
    writeTextFile(taken, "running copy");
    HANDLE held = CreateFileA(taken.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::srand(77);

    const bool relaunched = relaunchThroughTemp();
    const std::string args = waitForFile(out);
    CloseHandle(held);
    SetEnvironmentVariableA("QUILLOX_ECHO_OUT", nullptr);
    SetEnvironmentVariableA("TMP", savedTmp[0] ? savedTmp : nullptr);
    appState() = saved;

    EXPECT_TRUE(relaunched);
    EXPECT_EQ(args, "1\n-edit:" + note + "\n");
    EXPECT_EQ(readTextFile(taken), "running copy");
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((temp + "Quillox-*.exe").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int copies = 0;
    do {
        const std::string path = temp + entry.cFileName;
        if (path == taken) continue;
        ++copies;
        EXPECT_EQ(sizeOf(path), sizeOf(windowsPath(QUILLOX_ECHO_ARGS))) << "image only, no block";
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    EXPECT_EQ(copies, 1);
}

TEST(LaunchProcess, FalseWhenTheExecutableIsMissing) {
    ScratchFolder scratch;
    EXPECT_FALSE(launchProcess((scratch / "missing program.exe").c_str(), "-erase:\"x\""));
}

}  // namespace
