// The file layer on Win32: CreateFileW handles with the sharing rules that keep a note file from
// being written by two processes at once. Paths arrive as UTF-8 and reach the system as UTF-16.
#include <windows.h>

#include "storage/buffer.h"
#include "storage/file.h"
#include "storage/system_path.h"

namespace file {
namespace {

HANDLE raw(Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

WString wide(const char* path) {
    return widePath(path);
}

}  // namespace

void open(Handle& handle, const char* path, bool writable, bool create) {
    if (writable && fault::hit()) {
        handle = kFailed;
        return;
    }
    DWORD access = writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    DWORD share = writable ? 0 : FILE_SHARE_READ;
    DWORD disposition = create ? OPEN_ALWAYS : OPEN_EXISTING;
    HANDLE h = CreateFileW(wide(path).c_str(), access, share, nullptr, disposition, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    handle = reinterpret_cast<Handle>(h);
}

const int kDiskFull = ERROR_DISK_FULL;
const int kAccessDenied = ERROR_ACCESS_DENIED;

int lastError() {
    return static_cast<int>(GetLastError());
}

void setLastError(int error) {
    SetLastError(static_cast<DWORD>(error));
}

String systemMessage(int error) {
    if (error == 0) return {};  // which the system would put as "completed successfully"
    wchar_t words[512];
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(error), 0, words, sizeof words / sizeof *words, nullptr);
    while (n > 0 && (words[n - 1] == L'\r' || words[n - 1] == L'\n' || words[n - 1] == L' ')) --n;
    return utf8Path(std::wstring_view(words, n));
}

void close(Handle handle) {
    if (handle != kNull && handle != kFailed) CloseHandle(raw(handle));
}

bool seek(Handle handle, std::int32_t offset) {
    if (handle == kFailed) return false;  // a refused open has told its reason already
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return SetFilePointerEx(raw(handle), to, nullptr, FILE_BEGIN) != FALSE;
}

bool read(Handle handle, void* data, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    if (fault::hit()) return false;
    if (handle == kFailed) return false;  // a refused open has told its reason already
    DWORD got = 0;
    BOOL ok = ReadFile(raw(handle), data, count, &got, nullptr);
    done = got;
    return ok != FALSE;
}

bool write(Handle handle, const void* data, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    DWORD put = 0;
    if (fault::hit(true)) {
        // A full disk: part of the data lands, then the write fails.
        if (fault::shortWrite() && count > 1 &&
            WriteFile(raw(handle), data, count / 2, &put, nullptr))
            done = put;
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    if (handle == kFailed) return false;
    BOOL ok = WriteFile(raw(handle), data, count, &put, nullptr);
    done = put;
    return ok != FALSE;
}

std::uint32_t size(Handle handle) {
    if (handle == kFailed) return kNoSize;
    LARGE_INTEGER bytes;
    if (!GetFileSizeEx(raw(handle), &bytes) || bytes.QuadPart > 0x7FFFFFFF) return kNoSize;
    return static_cast<std::uint32_t>(bytes.QuadPart);
}

std::uint32_t position(Handle handle) {
    if (handle == kFailed) return kNoSize;
    LARGE_INTEGER zero{}, at{};
    if (!SetFilePointerEx(raw(handle), zero, &at, FILE_CURRENT) || at.QuadPart > 0x7FFFFFFF)
        return kNoSize;
    return static_cast<std::uint32_t>(at.QuadPart);
}

bool truncate(Handle handle) {
    if (handle == kFailed) return false;
    return SetEndOfFile(raw(handle)) != FALSE;
}

bool flush(Handle handle) {
    if (fault::hit()) return false;
    if (handle == kFailed) return false;
    return FlushFileBuffers(raw(handle)) != FALSE;
}

bool exists(const char* path) {
    return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

Presence lookAt(const char* path, Stamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Presence::Missing
                                                                              : Presence::Unknown;
    }
    stamp.size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp.lastWrite = static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                      data.ftLastWriteTime.dwLowDateTime;
    return Presence::Present;
}

bool isSpecial(const char* path) {
    // No access asked for: a look that never waits on a pipe or a device.
    HANDLE h =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool special =
        GetFileType(h) != FILE_TYPE_DISK || (GetFileInformationByHandle(h, &info) &&
                                             (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY));
    CloseHandle(h);
    return special;
}

String finalPath(const String& path) {
    const DWORD attributes = GetFileAttributesW(wide(path.c_str()).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    HANDLE h = CreateFileW(wide(path.c_str()).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return path;
    WString buffer(GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED), L'\0');
    const DWORD n = buffer.empty() ? 0
                                   : GetFinalPathNameByHandleW(h, buffer.data(), buffer.size(),
                                                               FILE_NAME_NORMALIZED);
    CloseHandle(h);
    if (n == 0 || n >= buffer.size()) return path;
    // "\\?\C:\..." and "\\?\UNC\server\..." back to the forms every call takes.
    String final = utf8Path(std::wstring_view(buffer.data(), n));
    if (final.rfind(R"(\\?\UNC\)", 0) == 0) return R"(\\)" + final.substr(8);
    if (final.rfind(R"(\\?\)", 0) == 0) return final.substr(4);
    return final;
}

unsigned linkCount(const char* path) {
    HANDLE h =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info) != FALSE;
    CloseHandle(h);
    return known && info.nNumberOfLinks > 1 ? info.nNumberOfLinks : 1;
}

bool keepOwner(const char*, const char*) {
    return true;
}

bool remove(const char* path) {
    return DeleteFileW(wide(path).c_str()) != FALSE;
}

bool createNew(const char* path) {
    if (fault::hit()) return false;
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool isReadOnly(const char* path) {
    DWORD attributes = GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool setReadOnly(const char* path, bool readOnly) {
    if (fault::hit()) return false;
    DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    DWORD wanted = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                            : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (wanted == attributes) return true;
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(wide(path).c_str(), wanted) != FALSE;
}

bool replace(const char* source, const char* target) {
    if (fault::hit()) return false;
    if (exists(target)) {
        // A target that someone holds open cannot be replaced; find out before ReplaceFileW,
        // which may leave a file of its own behind when it fails half-way.
        HANDLE probe = CreateFileW(wide(target).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) return false;
        CloseHandle(probe);
        // ReplaceFileW keeps the target's attributes, security and creation time. Under Wine it
        // refuses relative names; the full path names the same file everywhere.
        if (ReplaceFileW(fullWidePath(target).c_str(), fullWidePath(source).c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
            return true;
        // Without a backup name a failed final rename may leave the target gone and the new
        // content under the source name: finish the move rather than lose both.
        if (exists(target)) return false;
    }
    return MoveFileExW(wide(source).c_str(), wide(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace file
