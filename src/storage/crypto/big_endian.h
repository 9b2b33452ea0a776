// Big-endian 32-bit loads and stores: AES numbers a column's bytes and SHA-256 a word's bytes
// most significant first. Compilers turn each into one move and a byte swap.
#pragma once

#include <cstdint>

inline std::uint32_t loadBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

inline void storeBigEndian32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}
