// How a save ended. The storage shows nothing of a failure itself: it returns what went wrong with
// the system's own error number, and the editor (one box) or the tool (one line and an exit code)
// puts that into words, the fixed text first and the system's reason after it.
#pragma once

#include <string>

enum class SaveFault { None, Failed, NoRandom, OwnerNotKept, Declined };

struct SaveStatus {
    SaveFault fault = SaveFault::None;
    // errno or GetLastError() of the step that failed; 0 when the system gave no reason.
    int systemError = 0;

    explicit operator bool() const { return fault == SaveFault::None; }
};

// The words for a failed save of `target`; empty for a save the user declined.
std::string saveFailureText(const SaveStatus& status, const std::string& target);
