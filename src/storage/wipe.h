// Overwrites memory with zero bytes in a way the compiler may not remove, for plaintext, keys and
// passphrases that are about to be released.
#pragma once

#include <cstddef>
#include <cstring>

inline void secureWipe(void* data, std::size_t n) {
#if defined(__GNUC__) || defined(__clang__)
    // memset at full speed (a note's text runs to megabytes), then an empty assembly statement
    // that the compiler must assume reads the memory, so the stores cannot be dropped as dead.
    if (n == 0) return;
    std::memset(data, 0, n);
    __asm__ __volatile__("" : : "r"(data) : "memory");
#else
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (n--) *p++ = 0;
#endif
}

// For a local array the optimiser may keep in registers: the zeros reach the array's memory
// wherever it has some, and its address is not taken, which would oblige it to live there.
template <typename T, std::size_t N>
void secureWipeLocal(T (&array)[N]) {
#if defined(__GNUC__) || defined(__clang__)
    std::memset(array, 0, sizeof array);
    __asm__ __volatile__("" : "+m"(array));
#else
    secureWipe(array, sizeof array);
#endif
}
