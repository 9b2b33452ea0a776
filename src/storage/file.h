// The file handle layer: raw platform handles opened for one operation and closed on every way
// out of it. Sizes and offsets are unsigned 32-bit and positions signed 32-bit, so every file the
// system touches stays below 2 GiB.
#pragma once

#include <cstdint>

#include "base/unique_handle.h"
#include "storage/buffer.h"

namespace file {

// A raw platform handle: a HANDLE on Windows, a descriptor on POSIX. Null means "no handle";
// kFailed (all bits set) is what a refused open leaves behind, and every later operation on it
// fails, exactly as with INVALID_HANDLE_VALUE.
using Handle = std::intptr_t;
constexpr Handle kNull = 0;
constexpr Handle kFailed = -1;

// Every open takes regular files only: a pipe, device or folder is refused as a missing file is
// (with its error), at once, so that nothing waits for a writer that never comes. A created file is
// the owner's alone (0600 on POSIX).
//
// Opens `path`. writable=false: read access, shared reading, the file must exist.
// writable=true: read/write access, no sharing; with create=true a missing file is created and an
// existing one is kept at its length. A refused open stores kFailed.
//
// POSIX has no mandatory share modes, so the second-open refusals that Windows gives (a file open
// for writing cannot be opened again, a file open for reading cannot be opened for writing) do
// not happen there; the tests check those rules under Wine only.
void open(Handle& handle, const char* path, bool writable, bool create);
void close(Handle handle);
// Positions at an absolute offset; false for a negative offset (or 2^31 and beyond) or a bad
// handle.
bool seek(Handle handle, std::int32_t offset);

// The operations the callers perform on an open handle. Each reports success by its result.
bool read(Handle handle, void* data, std::uint32_t count, std::uint32_t& done);
bool write(Handle handle, const void* data, std::uint32_t count, std::uint32_t& done);
// The file's size, or kNoSize when it cannot be learnt or is 2 GiB or more.
constexpr std::uint32_t kNoSize = 0xFFFFFFFFu;
std::uint32_t size(Handle handle);
// The current position, or kNoSize.
std::uint32_t position(Handle handle);
// Cuts the file at the current position.
bool truncate(Handle handle);
// Pushes written data to the disk.
bool flush(Handle handle);

// Whole-file operations on paths.
bool exists(const char* path);
bool remove(const char* path);
// Creates a new, empty file that did not exist; false when the name is taken or the folder is
// not writable.
bool createNew(const char* path);
// The read-only attribute (Windows) or the absence of the owner's write bit (POSIX).
bool isReadOnly(const char* path);
// Sets or clears it, keeping the file's other attributes.
bool setReadOnly(const char* path, bool readOnly);
// Puts `source` in place of `target` in one step: the target's old content stays whole until the
// new one is complete. An existing target keeps its attributes and security where the platform
// can keep them.
bool replace(const char* source, const char* target);

// True when something other than a regular file (after links) is at `path`.
bool isSpecial(const char* path);
// The file that `path` finally names once every symbolic link is followed; `path` itself when it
// names no link or cannot be resolved. A save replaces that file, so the links stay links.
String finalPath(const String& path);
// The number of names (hard links) the file has; 1 when it cannot be learnt.
unsigned linkCount(const char* path);
// Gives `source` the owner and group of an existing `target`; false when they differ and this
// user may not set them. On Windows the replace itself keeps the owner and security.
bool keepOwner(const char* source, const char* target);

// What a look at a path finds without opening the file: its size and last-write time, the time
// in the platform's own units and fit only for telling two looks apart.
struct Stamp {
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
};
enum class Presence { Present, Missing, Unknown };
// Missing when nothing is at the path (or its folder is gone), Unknown when the look itself
// fails. Opens nothing, so it never keeps anyone else from the file; not a fault point.
Presence lookAt(const char* path, Stamp& stamp);

// Creates a fresh, empty file in `target`'s folder and returns its path; empty when none can be
// made. The name is never longer than needed: a target whose path is near the platform's limit
// must not fail only because the temporary name beside it is longer than its own.
String createTemporaryBeside(const String& target);

// The system's error number of the last step that failed (errno, GetLastError()), and its words
// as the system gives them, on one line; empty when it has none.
int lastError();
void setLastError(int error);
String systemMessage(int error);
// The platform's numbers for a full disk and a refused access: what an injected fault leaves.
extern const int kDiskFull;
extern const int kAccessDenied;

struct HandleTraits {
    using Handle = file::Handle;
    static bool valid(Handle handle) { return handle != kNull && handle != kFailed; }
    static void close(Handle handle) { file::close(handle); }
};
// Holds a handle for one scope and closes it on every way out.
using Scoped = UniqueHandle<HandleTraits>;

// Failure injection for the save paths' tests. Every fallible step of the operations above that
// writes or replaces (createNew, open for writing, write, flush, setReadOnly, replace) and every
// read counts as one fault point while injection is armed; the chosen point fails
// (or, for a write in `ShortWrite` mode, stops part-way as on a full disk). Disarmed, the cost is
// one comparison per call.
namespace fault {
enum class Mode { Fail, ShortWrite };
void arm(int failAtPoint, Mode mode = Mode::Fail);
void disarm();
// The number of fault points passed since the last arm().
int pointsPassed();
// True when the step at this point is to fail, with the system error a failed write (a full disk)
// or another step (access denied) would leave; called by the backends.
bool hit(bool isWrite = false);
bool shortWrite();
}  // namespace fault

}  // namespace file
