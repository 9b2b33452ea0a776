// Waiting with a deadline. Every wait of the driver names what it waited for, so a timed-out
// scenario says which window, process or file never showed up.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace e2e {

// Thrown when something awaited did not happen in time, or a driver step could not be done;
// GoogleTest reports its text as the test's failure.
class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The default deadline for things a person would wait for: generous, since Wine starts a
// process in a few hundred milliseconds on a quiet machine but far slower on a busy one.
constexpr DWORD kPatience = 20000;
constexpr DWORD kPollInterval = 25;

// Polls `ready` until it answers true; throws DriverError naming `what` after `timeoutMs`.
template <typename Ready>
void waitUntil(Ready ready, const std::string& what, DWORD timeoutMs = kPatience) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (ready()) return;
        if (GetTickCount64() >= deadline) {
            throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " +
                              what);
        }
        Sleep(kPollInterval);
    }
}

// Quotes a text for failure messages.
inline std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace e2e
