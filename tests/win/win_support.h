// Scratch folders, child processes and window watching for the Windows tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder under the temporary directory, removed with its files at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of `name` inside the folder; sub-folders in `name` are created.
    std::string operator/(const std::string& name) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void writeTextFile(const std::string& path, const std::string& text);
std::string readTextFile(const std::string& path);

// The editor under test, as a Windows path.
std::string editorPath();
// A program of the build, as a Windows path (the build passes POSIX paths when cross-compiling).
std::string windowsPath(const std::string& path);

// True when windows can be created (a display is there).
bool haveDisplay();

struct ChildResult {
    bool ended = false;
    DWORD exitCode = 0;
    std::vector<std::string> errorBoxes;  // texts of the "Quillox::error" boxes it showed
};

// Starts `commandLine`, waits at most `timeoutMs` for it to end, and meanwhile dismisses every
// error box of that process, keeping its text. A child still running at the timeout is killed.
// `whileRunning` runs once after the start (may be null).
ChildResult runChild(const std::string& commandLine, DWORD timeoutMs,
                     void (*whileRunning)(void*) = nullptr, void* context = nullptr);

// Finds a top-level window of this process or `processId` by its title, or null.
HWND findWindowOf(DWORD processId, const char* title);
// Text of the message box's static text (control 0xFFFF).
std::string messageBoxText(HWND box);
