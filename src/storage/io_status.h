// How a storage operation ended. The storage shows nothing of a failure itself: it returns what
// went wrong with the system's own error number, taken at the step that failed, and the editor
// (one box) or the tool (one line and an exit code) puts that into words, the fixed text first
// and the system's reason after it.
#pragma once

#include "storage/buffer.h"

enum class IoFault {
    None,
    Unreadable,    // the file could not be opened or read
    NotANote,      // it was read and carries no note
    Damaged,       // its trailer or record is broken
    NotWritten,    // a save failed at one of its steps
    NoRandom,      // no IV from the system's generator: nothing was saved
    OwnerNotKept,  // the replaced file's owner cannot be given to the new one
    Declined,      // the user chose not to overwrite a changed note
};

struct IoStatus {
    IoFault fault = IoFault::None;
    // errno or GetLastError() of the step that failed; 0 when the system gave no reason.
    int systemError = 0;
    // A save that went well: the other names (hard links) of the file it replaced, which still
    // hold the old note.
    unsigned otherNames = 0;

    explicit operator bool() const { return fault == IoFault::None; }
};

// The status of a step that has just failed, with the system's error it left behind.
IoStatus systemFailure(IoFault fault);
// `fixedText` alone, or followed by a blank line and the system's words for `systemError`.
String failureText(const char* fixedText, int systemError);

// The words for a failed save of `target`; empty for a save the user declined.
String saveFailureText(const IoStatus& status, const String& target);
// What the user must know of a save of `target` that went well; empty when there is nothing.
String saveNoticeText(const IoStatus& status, const String& target);
