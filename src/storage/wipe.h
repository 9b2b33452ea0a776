// Overwrites memory with zero bytes in a way the compiler may not remove, for plaintext, keys and
// passphrases that are about to be released.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

inline void secureWipe(void* data, std::size_t n) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (n--) *p++ = 0;
}

template <typename T>
void secureWipe(std::vector<T>& v) {
    if (!v.empty()) secureWipe(v.data(), v.size() * sizeof(T));
}

inline void secureWipe(std::string& s) {
    if (!s.empty()) secureWipe(&s[0], s.size());
}
