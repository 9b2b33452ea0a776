// Processes as the driver sees them: the ones it starts, the ones it finds by their windows,
// and the whole family of processes that descend from what it started.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

// Exit code -1 of the editor, as GetExitCodeProcess reports it.
constexpr DWORD kExitFailure = 0xFFFFFFFFu;

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = other.h_;
            other.h_ = nullptr;
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset() {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

// Under Wine: configures the session for a display without a window manager (see the .cpp).
// Called before the first process of any family starts; nothing to do on Windows.
void prepareWineSession();

// One process and a handle that keeps its exit code readable after it ends.
class Process {
public:
    Process() = default;
    Process(Handle handle, DWORD pid, std::string name);

    // Opens the process that owns `window` (SYNCHRONIZE and limited query rights are all a
    // waiter needs); throws when the window has no live process.
    static Process ofWindow(HWND window);
    // Opens a process by id; an empty Process when it is gone already.
    static Process open(DWORD pid, const std::string& name);

    DWORD pid() const { return pid_; }
    const std::string& name() const { return name_; }
    bool valid() const { return static_cast<bool>(handle_); }
    bool running() const;
    // The full path of the executable; empty when Wine cannot tell yet (a process just created).
    std::string imagePath() const;
    // Waits for the end and answers the exit code; throws DriverError on timeout.
    DWORD waitExit(DWORD timeoutMs);
    void kill();

private:
    Handle handle_;
    DWORD pid_ = 0;
    std::string name_;
};

// The processes started by the driver and all their descendants, kept in one job object: the
// relaunched temporary copy and the erase process join it by themselves, the driver learns of
// each one as it is created (and holds a handle, so its exit code stays readable), and closing
// the family kills whatever is left, so a failed scenario leaves nothing running.
class ProcessFamily {
public:
    ProcessFamily();
    ~ProcessFamily();
    ProcessFamily(const ProcessFamily&) = delete;
    ProcessFamily& operator=(const ProcessFamily&) = delete;

    // Starts `exe` with the argument text `args` (the command line is the quoted executable,
    // a blank and `args`, as a shell would build it) in the family.
    Process& start(const std::string& exe, const std::string& args, const std::string& name);

    struct Member {
        DWORD pid;
        std::shared_ptr<Process> process;
    };
    // Every process the family has had so far, in the order of their creation.
    std::vector<Member> members();
    // Waits until the family has a member whose image file name is `imageName` (compared
    // without case) beyond the first `skip` such members, counting from member number `from`,
    // and answers it.
    Process& waitMember(const std::string& imageName, std::size_t skip, DWORD timeoutMs,
                        std::size_t from = 0);
    // Waits until every member has ended.
    void waitAllEnded(DWORD timeoutMs);
    // Kills every member still running and closes the job.
    void killAll();

private:
    void watch();
    void adopt(DWORD pid);

    Handle job_;
    Handle port_;
    std::thread watcher_;
    std::mutex mutex_;
    std::vector<Member> members_;
    std::vector<std::unique_ptr<Process>> started_;
};

}  // namespace e2e
