// Where the storage code tells the user of something that went well but that they must know of:
// the editor installs its box, the command-line tool a line on stderr. Without a sink nothing is
// shown. Failures are not told here: they are returned to the caller, which shows them once.
#pragma once

namespace report {
using Sink = void (*)(const char* message);
void setSink(Sink sink);
void notice(const char* message);
}  // namespace report
