#include "storage/random.h"

#ifdef _WIN32
#include <windows.h>
// RtlGenRandom lives in advapi32 under this name; it needs no provider handle.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);

bool secureRandom(std::uint8_t* out, std::size_t n) {
    return SystemFunction036(out, static_cast<ULONG>(n)) != FALSE;
}
#else
#include <sys/random.h>

#include <cerrno>

bool secureRandom(std::uint8_t* out, std::size_t n) {
    while (n > 0) {
        ssize_t got = getrandom(out, n, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}
#endif
