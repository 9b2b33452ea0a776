// The Win32 part of the test support: waits with deadlines, processes and their descendants, and
// windows of other processes operated as a person meets them. Every wait names what it waited for.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_files.h"

namespace e2e {

// Something awaited did not happen in time, or a step could not be done.
struct DriverError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Generous: Wine starts a process in a few hundred milliseconds on a quiet machine.
constexpr DWORD kPatience = 20000;

// Polls `ready` until it answers true; throws DriverError naming `what` after `timeoutMs`.
void waitUntil(const std::function<bool()>& ready, const std::string& what,
               DWORD timeoutMs = kPatience);
inline std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

// CMake hands host paths; under Wine a Unix path "/a/b" is the drive Z: path "Z:\a\b".
std::string windowsPath(const std::string& hostPath);
inline std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}
inline std::string baseName(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}
inline bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
void copyFile(const std::string& from, const std::string& to);
void makeFolder(const std::string& path);
// Sorted; `nested` adds the files of subfolders (links aside) as relative paths.
std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern = "*",
                                   bool nested = false);
std::wstring wide(const std::string& text, UINT codePage = CP_UTF8);

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// A thread of the test's own, joined at the latest when it goes: the compiler that builds the
// editor (and with it these tests) has no std::thread.
class TestThread {
public:
    explicit TestThread(std::function<void()> body);
    ~TestThread() { join(); }
    void join();

private:
    std::function<void()> body_;
    Handle thread_;
};

// One process, with a handle that keeps its exit code readable after it ends.
class Process {
public:
    explicit Process(DWORD pid, std::string name = {});
    Process(Handle handle, DWORD pid, std::string name)
        : handle_(std::move(handle)), pid_(pid), name_(std::move(name)) {}

    DWORD pid() const { return pid_; }
    const std::string& name() const { return name_; }
    bool running() const;
    std::string imagePath() const;  // empty while Wine cannot tell yet
    DWORD waitExit(DWORD timeoutMs);
    void kill();

private:
    Handle handle_;
    DWORD pid_;
    std::string name_;
};

// The processes the driver starts and their descendants (the relaunched copy, the erase run) in a
// job object, each opened as it is created so its exit code stays readable; its end kills the rest.
class ProcessFamily {
public:
    ProcessFamily();
    ~ProcessFamily();

    // Starts "exe" args as a shell does; a name outside the code page needs CP_UTF8.
    Process& start(const std::string& exe, const std::string& args = {}, UINT codePage = CP_ACP);
    // Every process the family has had, in the order of their creation.
    std::vector<std::shared_ptr<Process>> members();
    bool allEnded();  // Wine's own helpers, which outlive the family, aside
    void waitAllEnded(DWORD timeoutMs = kPatience) {
        waitUntil([&] { return allEnded(); }, "every process to end", timeoutMs);
    }

private:
    Handle job_, port_;
    SRWLOCK membersLock_ = SRWLOCK_INIT;
    std::unique_ptr<TestThread> watcher_;
    std::vector<std::shared_ptr<Process>> members_;
    std::vector<std::unique_ptr<Process>> started_;
};

// A visible top-level window to look for; empty fields match anything.
struct WindowQuery {
    std::string className, title;
    DWORD pid = 0;
};
// The class of message boxes, common dialogs and the editor's own dialogs.
inline WindowQuery dialogTitled(const std::string& title, DWORD pid = 0) {
    return WindowQuery{"#32770", title, pid};
}
HWND findWindow(const WindowQuery& query);
HWND waitWindow(const WindowQuery& query, DWORD timeoutMs = kPatience);
void waitGone(HWND window, const std::string& what);

std::string windowText(HWND window);
std::string className(HWND window);
inline RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}
// The child with the id, or the first child or grandchild of the class; throws when there is none.
HWND control(HWND dialog, int id);
HWND descendant(HWND parent, const std::string& className);

// As UTF-8, in a control of any process.
std::string controlText(HWND control);
// The same for a rich edit control, read into memory lent in its process: a WM_GETTEXT from
// another process would leave a copy in that process's heap, where no one wipes it.
std::string richEditText(HWND editor);
void setText(HWND control, const std::string& text);
// Posted, not sent: the button may open a modal box that would hold a sent message.
inline void pressButton(HWND dialog, int id) {
    PostMessageA(control(dialog, id), BM_CLICK, 0, 0);
}
inline void postClose(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}
inline void postCommand(HWND window, int command) {
    PostMessageA(window, WM_COMMAND, command, 0);
}
inline bool editModified(HWND edit) {
    return SendMessageA(edit, EM_GETMODIFY, 0, 0) != 0;
}

// The texts of a status bar's parts in any process, joined with "|". Its messages carry no text
// across processes, so the text is written into memory lent in the bar's own process.
std::string statusText(HWND bar);

// Waits for the box, reads its text, presses `button` and waits for it to close.
std::string answerMessageBox(const std::string& caption, int button, DWORD pid = 0,
                             DWORD timeoutMs = kPatience);

// The keyboard as a person uses it: SendInput to the window brought to the foreground, so that
// accelerators go through the program's own message loop. {VK_CONTROL, 'S'} is Ctrl+S.
void pressChord(HWND window, std::initializer_list<WORD> keys);
// One Unicode key event per UTF-16 unit, as input methods deliver them; a line feed as Enter.
void typeText(HWND window, const std::string& text);

}  // namespace e2e
