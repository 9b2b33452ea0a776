// Owning wrappers for the handles the editor opens: each closes its handle on every way out of
// the scope, exceptions included. Null and INVALID_HANDLE_VALUE both mean "no handle".
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return Traits::valid(handle_); }
    Handle release() { return std::exchange(handle_, Handle{}); }
    void reset(Handle handle = Handle{}) {
        if (Traits::valid(handle_)) Traits::close(handle_);
        handle_ = handle;
    }
    // For APIs that fill in a handle through a pointer.
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_{};
};

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
