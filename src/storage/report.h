// Where the storage code sends the failures a user must learn of: the editor installs its error
// box, the command-line tool a line on stderr. Without a sink nothing is shown.
#pragma once

namespace report {
using Sink = void (*)(const char* message);
void setSink(Sink sink);
void error(const char* message);
// Something the user must know of an operation that succeeded; told through the same sink.
void notice(const char* message);
}  // namespace report
