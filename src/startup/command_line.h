// The two command-line switches as plain data, so that the grammar is tested without Windows.
#pragma once

#include "storage/buffer.h"

struct CommandLine {
    enum class Action {
        Continue,   // go on with start-up on notePath / eraseOnExit
        Erase,      // "-erase" met: delete erasePath and end; later arguments were not examined
        Malformed,  // a switch without a colon: end with "Malformed commandline argument!"
    };
    Action action = Action::Continue;
    String notePath;  // value of the last "-edit" before the end of the walk
    bool eraseOnExit = false;
    String erasePath;
};

// Walks argv[1..argc-1] in order. An argument is a switch only when it begins with "-edit" or
// "-erase" (any letter case, "-edit" tried first); a switch name anywhere else in an argument is
// plain text. The value is everything after the argument's first colon, so "-edit:C:\x.exe" keeps
// the drive's colon. The walk stops at "-erase" and at the first switch without a colon.
CommandLine parseArguments(int argc, const char* const* argv);
