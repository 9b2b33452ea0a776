// The one owning wrapper for every handle the programs open: it closes its handle on every way out
// of the scope. The traits say what "no handle" is and how to close one, so
// the same template holds a Win32 handle or the portable storage's file handle.
#pragma once

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
    // For APIs that fill in a handle through a pointer or a reference.
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_{};
};
