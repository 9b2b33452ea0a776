// The C++ runtime keeps two pieces of state that threads share: each thread's record of the
// exceptions in flight, and the guard that lets one thread alone construct a function-local
// static. The library's versions build both on its POSIX thread layer, which comes whole (some
// 25 KiB) into an executable that every note carries. Linked as objects of the editor itself,
// these give the same guarantees through Win32's own thread-local storage and locks.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

#if defined(__GNUC__) && !defined(__clang__)
namespace {

// The layout the runtime expects of a thread's exception record.
struct ExceptionGlobals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};

INIT_ONCE slotOnce = INIT_ONCE_STATIC_INIT;
DWORD slot = TLS_OUT_OF_INDEXES;

BOOL CALLBACK allocateSlot(PINIT_ONCE, PVOID, PVOID*) {
    slot = TlsAlloc();
    return slot != TLS_OUT_OF_INDEXES;
}

// One lock for every guard, which the thread holding it may take again: the constructor of one
// static may use another.
SRWLOCK guardLock = SRWLOCK_INIT;
DWORD guardOwner = 0;
unsigned guardDepth = 0;

void lockGuards() {
    const DWORD self = GetCurrentThreadId();
    if (__atomic_load_n(&guardOwner, __ATOMIC_RELAXED) != self) {
        AcquireSRWLockExclusive(&guardLock);
        __atomic_store_n(&guardOwner, self, __ATOMIC_RELAXED);
    }
    ++guardDepth;
}

void unlockGuards() {
    if (--guardDepth != 0) return;
    __atomic_store_n(&guardOwner, 0, __ATOMIC_RELAXED);
    ReleaseSRWLockExclusive(&guardLock);
}

// The first byte of a guard tells code outside the runtime that the static is constructed.
char* doneFlag(std::int64_t* guard) {
    return reinterpret_cast<char*>(guard);
}

}  // namespace

extern "C" {

// Called while an exception is thrown or caught, often right after a failed system call: the
// caller's last-error code must come through unchanged.
void* __cxa_get_globals() noexcept {
    const DWORD lastError = GetLastError();
    if (!InitOnceExecuteOnce(&slotOnce, allocateSlot, nullptr, nullptr)) std::abort();
    auto* globals = static_cast<ExceptionGlobals*>(TlsGetValue(slot));
    if (globals == nullptr) {
        globals = static_cast<ExceptionGlobals*>(std::calloc(1, sizeof *globals));
        if (globals == nullptr || !TlsSetValue(slot, globals)) std::abort();
    }
    SetLastError(lastError);
    return globals;
}

void* __cxa_get_globals_fast() noexcept {
    return __cxa_get_globals();
}

int __cxa_guard_acquire(std::int64_t* guard) noexcept {
    if (__atomic_load_n(doneFlag(guard), __ATOMIC_ACQUIRE)) return 0;
    lockGuards();
    if (*doneFlag(guard)) {
        unlockGuards();
        return 0;
    }
    return 1;
}

void __cxa_guard_release(std::int64_t* guard) noexcept {
    __atomic_store_n(doneFlag(guard), 1, __ATOMIC_RELEASE);
    unlockGuards();
}

void __cxa_guard_abort(std::int64_t*) noexcept {
    unlockGuards();
}

}  // extern "C"
#endif
