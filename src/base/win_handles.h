// The Win32 handles the programs own, each in the one owning template. Null and
// INVALID_HANDLE_VALUE both mean "no handle".
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

struct KernelHandleTraits {
    using Handle = HANDLE;
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using FileHandle = UniqueHandle<KernelHandleTraits>;

struct FontTraits {
    using Handle = HFONT;
    static bool valid(HFONT h) { return h != nullptr; }
    static void close(HFONT h) { DeleteObject(h); }
};
using FontHandle = UniqueHandle<FontTraits>;

struct RegKeyTraits {
    using Handle = HKEY;
    static bool valid(HKEY h) {
        return h != nullptr && h != static_cast<HKEY>(INVALID_HANDLE_VALUE);
    }
    static void close(HKEY h) { RegCloseKey(h); }
};
using RegKey = UniqueHandle<RegKeyTraits>;

// A device context from GetDC, released to the window it came from.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};
