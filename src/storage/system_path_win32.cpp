#include <windows.h>

#include "storage/buffer.h"
#include "storage/system_path.h"
#include "storage/text_encoding.h"

// wchar_t is UTF-16 on Windows, so the portable conversions serve the system's strings as they are.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

WString widePath(std::string_view path) {
    const U16String text = utf8ToUtf16(path);
    return WString(text.begin(), text.end());
}

String utf8Path(std::wstring_view path) {
    return utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(path.data()), path.size()));
}

WString fullWidePath(std::string_view path) {
    const WString given = widePath(path);
    // The first call tells the length the second needs, terminator included.
    const DWORD needed = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return given;
    WString full(needed, L'\0');
    const DWORD n = GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
    if (n == 0 || n >= needed) return given;
    full.resize(n);
    return full;
}

std::FILE* openFile(const String& path, const char* mode) {
    return _wfopen(widePath(path).c_str(), widePath(mode).c_str());
}
