// Paths as the programs hold them and as the system takes them. Inside, a path is UTF-8 on every
// platform, so the storage code and its callers stay portable; on Windows it becomes UTF-16 only
// at the system call, where the narrow functions would turn every character outside the ANSI code
// page into "?" and so name another file, or none.
#pragma once

#include <cstdio>
#include <string_view>

#include "storage/buffer.h"

#ifdef _WIN32
WString widePath(std::string_view path);
String utf8Path(std::wstring_view path);
// The absolute form of `path`, of any length; `path` itself when the system cannot give one.
WString fullWidePath(std::string_view path);
// fopen on a path of any script.
std::FILE* openFile(const String& path, const char* mode);
#else
inline std::FILE* openFile(const String& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}
#endif
