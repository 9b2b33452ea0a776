// The file layer on POSIX: descriptors stand in for handles. Files stay below 2 GiB as on Windows.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "storage/buffer.h"
#include "storage/file.h"

namespace file {
namespace {

int fd(Handle handle) {
    return handle == kNull ? -1 : static_cast<int>(handle);
}

// Makes a rename durable: the directory entry is on disk once the directory is synced.
void syncFolderOf(const char* path) {
    String folder(path);
    String::size_type slash = folder.rfind('/');
    folder = slash == String::npos ? "." : (slash == 0 ? "/" : folder.substr(0, slash));
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

}  // namespace

void open(Handle& handle, const char* path, bool writable, bool create) {
    if (writable && fault::hit()) {
        handle = kFailed;
        return;
    }
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    int flags = (writable ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC | O_NONBLOCK;
    int d = ::open(path, flags, 0600);
    struct stat st;
    if (d >= 0 && (::fstat(d, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(d);
        d = -1;
        errno = ENOENT;
    }
    if (d == 0) {
        // Descriptor 0 would read as "no handle"; move it out of the way.
        int moved = ::fcntl(d, F_DUPFD_CLOEXEC, 3);
        ::close(d);
        d = moved;
    }
    handle = d < 0 ? kFailed : d;
}

const int kDiskFull = ENOSPC;
const int kAccessDenied = EACCES;

int lastError() {
    return errno;
}

void setLastError(int error) {
    errno = error;
}

String systemMessage(int error) {
    return error == 0 ? String() : std::strerror(error);
}

void close(Handle handle) {
    if (handle != kNull && handle != kFailed) ::close(fd(handle));
}

bool seek(Handle handle, std::int32_t offset) {
    if (handle == kFailed) return false;  // a refused open has told its reason already
    if (offset < 0) return false;
    return ::lseek(fd(handle), offset, SEEK_SET) != -1;
}

bool read(Handle handle, void* data, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    if (fault::hit()) return false;
    if (handle == kFailed) return false;  // a refused open has told its reason already
    char* p = static_cast<char*>(data);
    while (done < count) {
        ssize_t n = ::read(fd(handle), p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        done += static_cast<std::uint32_t>(n);
    }
    return true;
}

bool write(Handle handle, const void* data, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    if (fault::hit(true)) {
        // A full disk: part of the data lands, then the write fails.
        if (fault::shortWrite() && count > 1) {
            ssize_t n = ::write(fd(handle), data, count / 2);
            if (n > 0) done = static_cast<std::uint32_t>(n);
        }
        errno = ENOSPC;
        return false;
    }
    if (handle == kFailed) return false;
    const char* p = static_cast<const char*>(data);
    while (done < count) {
        ssize_t n = ::write(fd(handle), p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::uint32_t>(n);
    }
    return true;
}

std::uint32_t size(Handle handle) {
    if (handle == kFailed) return kNoSize;
    struct stat st;
    if (::fstat(fd(handle), &st) != 0) return kNoSize;
    if (st.st_size < 0 || st.st_size > INT32_MAX) return kNoSize;
    return static_cast<std::uint32_t>(st.st_size);
}

std::uint32_t position(Handle handle) {
    if (handle == kFailed) return kNoSize;
    off_t at = ::lseek(fd(handle), 0, SEEK_CUR);
    if (at < 0 || at > INT32_MAX) return kNoSize;
    return static_cast<std::uint32_t>(at);
}

bool truncate(Handle handle) {
    if (handle == kFailed) return false;
    off_t at = ::lseek(fd(handle), 0, SEEK_CUR);
    return at >= 0 && ::ftruncate(fd(handle), at) == 0;
}

bool flush(Handle handle) {
    if (fault::hit()) return false;
    if (handle == kFailed) return false;
    return ::fsync(fd(handle)) == 0;
}

bool exists(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0;
}

Presence lookAt(const char* path, Stamp& stamp) {
    struct stat st;
    if (::stat(path, &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Presence::Missing : Presence::Unknown;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.lastWrite = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                      static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
    return Presence::Present;
}

bool isSpecial(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && !S_ISREG(st.st_mode);
}

String finalPath(const String& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    String out(resolved);
    std::free(resolved);
    return out;
}

unsigned linkCount(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && st.st_nlink > 1 ? static_cast<unsigned>(st.st_nlink) : 1;
}

bool keepOwner(const char* source, const char* target) {
    struct stat was, now;
    if (::stat(target, &was) != 0) return true;
    if (::stat(source, &now) != 0) return false;
    if (was.st_uid == now.st_uid && was.st_gid == now.st_gid) return true;
    return ::chown(source, was.st_uid, was.st_gid) == 0;
}

bool remove(const char* path) {
    return ::unlink(path) == 0;
}

bool createNew(const char* path) {
    if (fault::hit()) return false;
    int d = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (d < 0) return false;
    ::close(d);
    return true;
}

bool isReadOnly(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && !(st.st_mode & S_IWUSR);
}

bool setReadOnly(const char* path, bool readOnly) {
    if (fault::hit()) return false;
    struct stat st;
    if (::stat(path, &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    return ::chmod(path, mode) == 0;
}

bool replace(const char* source, const char* target) {
    if (fault::hit()) return false;
    // Keep the target's permission bits, as Windows keeps the replaced file's attributes.
    struct stat st;
    if (::stat(target, &st) == 0) ::chmod(source, st.st_mode & 07777);
    if (::rename(source, target) != 0) return false;
    syncFolderOf(target);
    return true;
}

}  // namespace file
