#include "driver_process.h"

#include "driver_files.h"
#include "driver_wait.h"

#include <algorithm>
#include <cctype>

namespace e2e {

namespace {

constexpr DWORD kWaitRights = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;

// Programs of the system itself that a scenario's process may start on demand (Wine's desktop
// process, for one); they outlive the scenario by design.
bool isSystemHelper(const Process& process) {
    char windows[MAX_PATH] = "";
    const UINT n = GetSystemWindowsDirectoryA(windows, sizeof(windows));
    const std::string image = process.imagePath();
    return n > 0 && image.size() > n && _strnicmp(image.c_str(), windows, n) == 0;
}

bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

void prepareWineSession() {
    static bool done = false;
    if (done || !runningUnderWine()) return;
    done = true;
    // With no window manager on the virtual display, Wine waits two seconds for one each time
    // a managed window is hidden (every closed dialog and message box). Unmanaged windows skip
    // the wait; the setting is read by each process as it starts.
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
}

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

Process::Process(Handle handle, DWORD pid, std::string name)
    : handle_(std::move(handle)), pid_(pid), name_(std::move(name)) {}

Process Process::ofWindow(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    Handle handle(OpenProcess(kWaitRights | PROCESS_TERMINATE, FALSE, pid));
    if (!handle)
        throw DriverError("cannot open the process of a window (pid " + std::to_string(pid) + ")");
    char title[256] = "";
    GetWindowTextA(window, title, sizeof(title));
    return Process(std::move(handle), pid, "the process of the window " + inQuotes(title));
}

Process Process::open(DWORD pid, const std::string& name) {
    Handle handle(OpenProcess(kWaitRights | PROCESS_TERMINATE, FALSE, pid));
    if (!handle) return Process();
    return Process(std::move(handle), pid, name);
}

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
    if (!handle_) throw DriverError("no process to wait for (" + name_ + ")");
    if (WaitForSingleObject(handle_.get(), timeoutMs) != WAIT_OBJECT_0) {
        throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " +
                          name_ + " (pid " + std::to_string(pid_) + ") to end");
    }
    DWORD code = 0;
    GetExitCodeProcess(handle_.get(), &code);
    return code;
}

void Process::kill() {
    if (running()) {
        TerminateProcess(handle_.get(), 1);
        WaitForSingleObject(handle_.get(), 5000);
    }
}

ProcessFamily::ProcessFamily()
    : job_(CreateJobObjectA(nullptr, nullptr)),
      port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
    if (!job_ || !port_) throw DriverError("cannot create the job object of the process family");
    // Wine starts its desktop process (explorer.exe) on demand, the first time a process needs
    // the desktop; asking for it here starts it outside the family, where killing the family
    // cannot take the desktop away from the next scenario.
    GetDesktopWindow();
    prepareWineSession();
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
    association.CompletionKey = job_.get();
    association.CompletionPort = port_.get();
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation,
                                 &association, sizeof(association)) ||
        !SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits))) {
        throw DriverError("cannot set up the job object of the process family");
    }
    watcher_ = std::thread([this] { watch(); });
}

ProcessFamily::~ProcessFamily() {
    killAll();
}

void ProcessFamily::watch() {
    for (;;) {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        if (!GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, INFINITE)) return;
        if (key == 0) return;  // the stop signal posted by killAll
        if (message == JOB_OBJECT_MSG_NEW_PROCESS) {
            adopt(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail)));
        }
    }
}

void ProcessFamily::adopt(DWORD pid) {
    // Opened at once, while the process is still starting, so that its exit code stays readable
    // however quickly it ends.
    auto process = std::make_shared<Process>(Process::open(pid, "process " + std::to_string(pid)));
    std::lock_guard<std::mutex> lock(mutex_);
    members_.push_back({pid, std::move(process)});
}

Process& ProcessFamily::start(const std::string& exe, const std::string& args,
                              const std::string& name) {
    std::string commandLine = "\"" + exe + "\"";
    if (!args.empty()) commandLine += " " + args;
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info)) {
        throw DriverError("cannot start " + inQuotes(commandLine) + " (error " +
                          std::to_string(GetLastError()) + ")");
    }
    Handle thread(info.hThread);
    Handle process(info.hProcess);
    if (!AssignProcessToJobObject(job_.get(), process.get())) {
        TerminateProcess(process.get(), 1);
        throw DriverError("cannot put " + inQuotes(commandLine) + " into the process family");
    }
    ResumeThread(thread.get());
    started_.push_back(std::make_unique<Process>(std::move(process), info.dwProcessId, name));
    return *started_.back();
}

std::vector<ProcessFamily::Member> ProcessFamily::members() {
    std::lock_guard<std::mutex> lock(mutex_);
    return members_;
}

Process& ProcessFamily::waitMember(const std::string& imageName, std::size_t skip, DWORD timeoutMs,
                                   std::size_t from) {
    std::shared_ptr<Process> found;
    waitUntil(
        [&] {
            std::size_t seen = 0;
            const auto all = members();
            for (std::size_t i = from; i < all.size(); ++i) {
                const Member& member = all[i];
                if (!member.process->valid()) continue;
                if (!sameName(baseName(member.process->imagePath()), imageName)) continue;
                if (seen++ == skip) {
                    found = member.process;
                    return true;
                }
            }
            return false;
        },
        "process number " + std::to_string(skip + 1) + " of the image " + inQuotes(imageName),
        timeoutMs);
    return *found;
}

void ProcessFamily::waitAllEnded(DWORD timeoutMs) {
    try {
        waitUntil(
            [&] {
                for (const Member& member : members()) {
                    if (member.process->running() && !isSystemHelper(*member.process)) return false;
                }
                return true;
            },
            "every process started by the scenario to end", timeoutMs);
    } catch (const DriverError& error) {
        std::string still;
        for (const Member& member : members()) {
            if (member.process->running()) still += " " + member.process->imagePath();
        }
        throw DriverError(std::string(error.what()) + "; still running:" + still);
    }
}

void ProcessFamily::killAll() {
    if (job_) {
        TerminateJobObject(job_.get(), 1);
        for (const Member& member : members()) member.process->kill();
        for (auto& process : started_) process->kill();
        job_.reset();
    }
    if (watcher_.joinable()) {
        PostQueuedCompletionStatus(port_.get(), 0, 0, nullptr);
        watcher_.join();
    }
}

}  // namespace e2e
