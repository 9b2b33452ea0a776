#include "driver.h"

#include <algorithm>

namespace e2e {

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

std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(joinPath(folder, pattern).c_str(), &entry);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry))
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
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
    if (!handle_ || WaitForSingleObject(handle_.get(), timeoutMs) != WAIT_OBJECT_0)
        throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " +
                          name_ + " (pid " + std::to_string(pid_) + ") to end");
    DWORD code = 0;
    GetExitCodeProcess(handle_.get(), &code);
    return code;
}

void Process::kill() {
    if (!running()) return;
    TerminateProcess(handle_.get(), 1);
    WaitForSingleObject(handle_.get(), 5000);
}

namespace {

// Programs of Wine itself that a process may start on demand; they outlive the scenario by design.
bool isSystemHelper(const Process& process) {
    char windows[MAX_PATH] = "";
    const UINT n = GetSystemWindowsDirectoryA(windows, sizeof(windows));
    const std::string image = process.imagePath();
    return n > 0 && image.size() > n && _strnicmp(image.c_str(), windows, n) == 0;
}

}  // namespace

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
    watcher_ = std::thread([this] {
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        // Key 0 is the stop signal of killAll.
        while (GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, INFINITE) && key) {
            if (message != JOB_OBJECT_MSG_NEW_PROCESS) continue;
            // Opened at once, so its exit code stays readable however quickly it ends.
            const auto pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
            auto process = std::make_shared<Process>(pid, "process " + std::to_string(pid));
            std::lock_guard<std::mutex> lock(mutex_);
            members_.push_back(std::move(process));
        }
    });
}

Process& ProcessFamily::start(const std::string& exe, const std::string& args,
                              const std::string& name) {
    std::string line = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info))
        throw DriverError("cannot start " + inQuotes(line) + " (error " +
                          std::to_string(GetLastError()) + ")");
    Handle thread(info.hThread);
    Handle process(info.hProcess);
    if (!AssignProcessToJobObject(job_.get(), process.get())) {
        TerminateProcess(process.get(), 1);
        throw DriverError("cannot put " + inQuotes(line) + " into the process family");
    }
    ResumeThread(thread.get());
    started_.push_back(std::make_unique<Process>(std::move(process), info.dwProcessId, name));
    return *started_.back();
}

std::vector<std::shared_ptr<Process>> ProcessFamily::members() {
    std::lock_guard<std::mutex> lock(mutex_);
    return members_;
}

bool ProcessFamily::allEnded(std::string* still) {
    bool ended = true;
    for (const auto& member : members()) {
        if (!member->running() || isSystemHelper(*member)) continue;
        ended = false;
        if (still) *still += " " + member->imagePath();
    }
    return ended;
}

void ProcessFamily::waitAllEnded(DWORD timeoutMs) {
    try {
        waitUntil([&] { return allEnded(); }, "every process of the scenario to end", timeoutMs);
    } catch (const DriverError& error) {
        std::string still;
        allEnded(&still);
        throw DriverError(std::string(error.what()) + "; still running:" + still);
    }
}

void ProcessFamily::killAll() {
    if (job_) {
        TerminateJobObject(job_.get(), 1);
        for (const auto& member : members()) member->kill();
        for (auto& process : started_) process->kill();
        job_.reset();
    }
    if (watcher_.joinable()) {
        PostQueuedCompletionStatus(port_.get(), 0, 0, nullptr);
        watcher_.join();
    }
}

}  // namespace e2e
