#include "driver.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

namespace e2e {
namespace {

// Programs of Wine itself that a process may start on demand; they outlive the scenario by design.
bool isSystemHelper(const Process& process) {
    char windows[MAX_PATH] = "";
    const UINT n = GetSystemWindowsDirectoryA(windows, sizeof(windows));
    const std::string image = process.imagePath();
    return n > 0 && image.size() > n && _strnicmp(image.c_str(), windows, n) == 0;
}

INPUT keyInput(WORD key, bool up, WORD unit = 0) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = unit ? unit : static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (unit ? KEYEVENTF_UNICODE : 0);
    return input;
}

// Keys go to the window that has the keyboard focus in the foreground thread, which comes a moment
// after the foreground itself: both are awaited, or a chord can reach the window a dialog left.
void send(HWND window, std::vector<INPUT> inputs) {
    waitUntil(
        [&] {
            if (GetForegroundWindow() != window) return SetForegroundWindow(window), false;
            GUITHREADINFO thread{};
            thread.cbSize = sizeof thread;
            return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) &&
                   (thread.hwndFocus == window || IsChild(window, thread.hwndFocus));
        },
        "the window " + inQuotes(windowText(window)) + " to have the keyboard focus");
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        throw DriverError("SendInput did not deliver every key event");
}

std::string utf8Of(const std::wstring& text, std::size_t units) {
    std::string utf8(4 * units + 1, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(units), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

}  // namespace

void waitUntil(const std::function<bool()>& ready, const std::string& what, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!ready()) {
        if (GetTickCount64() >= deadline)
            throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " +
                              what);
        Sleep(25);
    }
}

std::string windowsPath(const std::string& hostPath) {
    std::string path = hostPath.empty() || hostPath[0] != '/' ? hostPath : "Z:" + hostPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

void copyFile(const std::string& from, const std::string& to) {
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        throw DriverError("cannot copy " + inQuotes(from) + " to " + inQuotes(to));
}

void makeFolder(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw DriverError("cannot create the folder " + inQuotes(path));
}

std::wstring wide(const std::string& text, UINT codePage) {
    std::wstring out(text.size(), L'\0');
    out.resize(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                   static_cast<int>(out.size())));
    return out;
}

std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern,
                                   bool nested) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(joinPath(folder, pattern).c_str(), &entry);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        const std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(name);
        else if (nested && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                 name != "." && name != "..")
            for (const std::string& inner : listFiles(joinPath(folder, name), pattern, true))
                names.push_back(joinPath(name, inner));
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

Process::Process(DWORD pid, std::string name)
    : Process(Handle(OpenProcess(
                  SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid)),
              pid, std::move(name)) {}

bool Process::running() const {
    return handle_ && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

std::string Process::imagePath() const {
    char buffer[MAX_PATH * 2] = "";
    DWORD size = sizeof(buffer);
    if (!handle_ || !QueryFullProcessImageNameA(handle_.get(), 0, buffer, &size)) return {};
    return std::string(buffer, size);
}

DWORD Process::waitExit(DWORD timeoutMs) {
    waitUntil([&] { return handle_ && WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0; },
              name_ + " (pid " + std::to_string(pid_) + ") to end", timeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(handle_.get(), &code);
    return code;
}

void Process::kill() {
    if (!running()) return;
    TerminateProcess(handle_.get(), 1);
    WaitForSingleObject(handle_.get(), 5000);
}

ProcessFamily::ProcessFamily()
    : job_(CreateJobObjectA(nullptr, nullptr)),
      port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
    // Wine starts its desktop process the first time a process needs the desktop: asked for
    // here, it starts outside the family, where killing the family cannot take it away.
    GetDesktopWindow();
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job_.get(), port_.get()};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job_ || !port_ ||
        !SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation,
                                 &association, sizeof(association)) ||
        !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits)))
        throw DriverError("cannot set up the job object of the process family");
    watcher_ = std::make_unique<TestThread>([this] {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        while (GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, INFINITE) && key) {
            if (message != JOB_OBJECT_MSG_NEW_PROCESS) continue;
            // Opened at once, so its exit code stays readable however quickly it ends.
            const auto pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
            auto process = std::make_shared<Process>(pid, "process " + std::to_string(pid));
            AcquireSRWLockExclusive(&membersLock_);
            members_.push_back(std::move(process));
            ReleaseSRWLockExclusive(&membersLock_);
        }
    });
}

Process& ProcessFamily::start(const std::string& exe, const std::string& args, UINT codePage) {
    const std::string line = inQuotes(exe) + (args.empty() ? "" : " " + args);
    std::wstring command = wide(line, codePage);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info))
        throw DriverError("cannot start " + line + " (error " + std::to_string(GetLastError()) +
                          ")");
    Handle thread(info.hThread);
    Handle process(info.hProcess);
    if (!AssignProcessToJobObject(job_.get(), process.get())) {
        TerminateProcess(process.get(), 1);
        throw DriverError("cannot put " + line + " into the process family");
    }
    ResumeThread(thread.get());
    started_.push_back(std::make_unique<Process>(std::move(process), info.dwProcessId, line));
    return *started_.back();
}

std::vector<std::shared_ptr<Process>> ProcessFamily::members() {
    AcquireSRWLockShared(&membersLock_);
    auto copy = members_;
    ReleaseSRWLockShared(&membersLock_);
    return copy;
}

bool ProcessFamily::allEnded() {
    // A process the watcher has not opened yet cannot be known to have ended.
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION job{};
    QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &job, sizeof(job),
                              nullptr);
    const auto all = members();
    return all.size() >= job.TotalProcesses &&
           std::none_of(all.begin(), all.end(), [](const std::shared_ptr<Process>& member) {
               return member->running() && !isSystemHelper(*member);
           });
}

TestThread::TestThread(std::function<void()> body) : body_(std::move(body)) {
    thread_.reset(CreateThread(
        nullptr, 0,
        [](void* self) -> DWORD {
            static_cast<TestThread*>(self)->body_();
            return 0;
        },
        this, 0, nullptr));
    if (!thread_) throw DriverError("cannot start a thread");
}

void TestThread::join() {
    if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

ProcessFamily::~ProcessFamily() {
    TerminateJobObject(job_.get(), 1);
    for (const auto& member : members()) member->kill();
    for (auto& process : started_) process->kill();
    PostQueuedCompletionStatus(port_.get(), 0, 0, nullptr);  // key 0: the watcher's stop signal
    watcher_->join();
}

HWND findWindow(const WindowQuery& query) {
    std::pair<const WindowQuery*, HWND> search{&query, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) {
            auto& [query, found] = *reinterpret_cast<std::pair<const WindowQuery*, HWND>*>(context);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (IsWindowVisible(window) && (!query->pid || pid == query->pid) &&
                (query->className.empty() || className(window) == query->className) &&
                (query->title.empty() || windowText(window) == query->title))
                found = window;
            return found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

HWND waitWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findWindow(query)) != nullptr; },
              "a window " + inQuotes(query.className + " " + query.title), timeoutMs);
    return found;
}

void waitGone(HWND window, const std::string& what) {
    waitUntil([&] { return !IsWindowVisible(window); }, what + " to close");
}

std::string windowText(HWND window) {
    // Read from the window manager's copy: no message is sent, so a hung program cannot stall it.
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string className(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

HWND control(HWND dialog, int id) {
    if (HWND found = GetDlgItem(dialog, id)) return found;
    throw DriverError("no control " + std::to_string(id) + " in " + inQuotes(windowText(dialog)));
}

HWND descendant(HWND parent, const std::string& wanted) {
    HWND found = FindWindowExA(parent, nullptr, wanted.c_str(), nullptr);
    for (HWND child = GetWindow(parent, GW_CHILD); !found && child;
         child = GetWindow(child, GW_HWNDNEXT))
        found = FindWindowExA(child, nullptr, wanted.c_str(), nullptr);
    if (found) return found;
    throw DriverError("no " + inQuotes(wanted) + " control in " + inQuotes(windowText(parent)));
}

std::string controlText(HWND edit) {
    // The timeout keeps a hung program from hanging the driver. A thread just done with a long
    // task (4 MiB into its control) counts as hung until it next reads its queue: asked again.
    DWORD_PTR length = 0, got = 0;
    std::wstring text;
    const auto answered = [&] {
        if (!IsWindow(edit)) throw DriverError("the control to read is gone");
        text.clear();
        if (SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatience, &length))
            text.resize(length + 1);
        return !text.empty() && SendMessageTimeoutW(edit, WM_GETTEXT, text.size(),
                                                    reinterpret_cast<LPARAM>(&text[0]),
                                                    SMTO_ABORTIFHUNG, kPatience, &got) != 0;
    };
    waitUntil(answered, "the control " + inQuotes(className(edit)) + " to answer");
    return utf8Of(text, std::min(got, length));
}

std::string richEditText(HWND editor) {
    DWORD pid = 0;
    GetWindowThreadProcessId(editor, &pid);
    const Handle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    DWORD_PTR length = 0, got = 0;
    std::wstring text;
    const auto answered = [&] {
        if (!IsWindow(editor)) throw DriverError("the control to read is gone");
        if (!SendMessageTimeoutW(editor, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatience,
                                 &length))
            return false;
        text.assign(length + 1, L'\0');
        const GETTEXTEX request{static_cast<DWORD>(text.size() * 2), GT_USECRLF, 1200, nullptr,
                                nullptr};
        char* lent = process ? static_cast<char*>(VirtualAllocEx(process.get(), nullptr,
                                                                 sizeof request + text.size() * 2,
                                                                 MEM_COMMIT, PAGE_READWRITE))
                             : nullptr;
        if (!lent) throw DriverError("cannot lend memory to the editor's process");
        const bool read =
            WriteProcessMemory(process.get(), lent, &request, sizeof request, nullptr) &&
            SendMessageTimeoutW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(lent),
                                reinterpret_cast<LPARAM>(lent + sizeof request), SMTO_ABORTIFHUNG,
                                kPatience, &got) &&
            ReadProcessMemory(process.get(), lent + sizeof request, &text[0], text.size() * 2,
                              nullptr);
        VirtualFreeEx(process.get(), lent, 0, MEM_RELEASE);
        return read;
    };
    waitUntil(answered, "the editor to answer");
    return utf8Of(text, std::min(got, length));
}

void setText(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
}

std::string statusText(HWND bar) {
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    const Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, pid));
    char text[256] = {};
    void* lent =
        process ? VirtualAllocEx(process.get(), nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE)
                : nullptr;
    if (!lent) throw DriverError("cannot lend memory to the status bar's process");
    std::string joined;
    for (LRESULT i = 0, n = SendMessageA(bar, SB_GETPARTS, 0, 0); i < n; ++i) {
        SendMessageA(bar, SB_GETTEXTA, i, reinterpret_cast<LPARAM>(lent));
        ReadProcessMemory(process.get(), lent, text, sizeof text - 1, nullptr);
        joined += (i > 0 ? "|" : "") + std::string(text);
    }
    VirtualFreeEx(process.get(), lent, 0, MEM_RELEASE);
    return joined;
}

std::string answerMessageBox(const std::string& caption, int button, DWORD pid, DWORD timeoutMs) {
    const HWND box = waitWindow(dialogTitled(caption, pid), timeoutMs);
    const std::string text = controlText(control(box, 0xFFFF));  // the number of a box's text
    pressButton(box, button);
    waitGone(box, "the message box " + inQuotes(text));
    return text;
}

void pressChord(HWND window, std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(keyInput(key, false));
    for (auto key = keys.end(); key != keys.begin();) inputs.push_back(keyInput(*--key, true));
    send(window, inputs);
}

void typeText(HWND window, const std::string& text) {
    std::vector<INPUT> inputs;
    for (wchar_t unit : wide(text))
        for (bool up : {false, true})
            inputs.push_back(unit == L'\n' ? keyInput(VK_RETURN, up) : keyInput(0, up, unit));
    send(window, inputs);
}

}  // namespace e2e
