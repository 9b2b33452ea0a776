// Force-included into GoogleTest and the tests when GCC's win32 thread flavour builds them: that
// flavour has no std::mutex, which GoogleTest's Notification is built on, so it gets one on a
// Win32 event instead. Everything else in GoogleTest already uses Win32 primitives.
#pragma once

#if defined(__MINGW32__) && defined(__cplusplus)
#include <bits/c++config.h>
#if !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif
#endif
