#include "driver_files.h"

#include "driver_wait.h"

#include <windows.h>

#include <algorithm>

namespace e2e {

std::string windowsPath(const std::string& hostPath) {
    std::string path = hostPath;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string fullPath(const std::string& path) {
    char buffer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
    if (n == 0 || n >= sizeof(buffer))
        throw DriverError("cannot make a full path of " + inQuotes(path));
    return std::string(buffer, n);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

struct FileHandle {
    HANDLE h;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool ok() const { return h && h != INVALID_HANDLE_VALUE; }
};

}  // namespace

FileBytes readFile(const std::string& path) {
    // Shared for everything: the file may be a running executable or held by the program.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!file.ok()) throw DriverError("cannot open " + inQuotes(path) + " for reading");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.h, &size)) throw DriverError("cannot size " + inQuotes(path));
    FileBytes bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!ReadFile(file.h, bytes.data() + done, want, &got, nullptr) || got == 0) {
            throw DriverError("cannot read " + inQuotes(path));
        }
        done += got;
    }
    return bytes;
}

void writeFile(const std::string& path, const FileBytes& bytes) {
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file.ok()) throw DriverError("cannot create " + inQuotes(path));
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size())) {
        throw DriverError("cannot write " + inQuotes(path));
    }
}

void copyFile(const std::string& from, const std::string& to) {
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        throw DriverError("cannot copy " + inQuotes(from) + " to " + inQuotes(to));
    }
}

void makeFolder(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        throw DriverError("cannot create the folder " + inQuotes(path));
    }
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(joinPath(path, "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = joinPath(path, name);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(joinPath(folder, pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

std::string tempFolder() {
    char buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof(buffer), buffer);
    if (n == 0 || n >= sizeof(buffer)) throw DriverError("GetTempPathA gave no temporary folder");
    return std::string(buffer, n);
}

}  // namespace e2e
