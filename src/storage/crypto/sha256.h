// SHA-256 (FIPS 180-2).
#pragma once

#include <cstddef>
#include <cstdint>

struct Sha256Context {
    std::uint32_t countLow;   // bytes fed so far, low word
    std::uint32_t countHigh;  // carry of countLow
    std::uint32_t state[8];   // H0..H7
    std::uint8_t buffer[64];  // an incomplete block
};

void sha256Init(Sha256Context& ctx);
void sha256Update(Sha256Context& ctx, const void* data, std::size_t n);
void sha256Final(Sha256Context& ctx, std::uint8_t digest[32]);
// One shot on a local context, wiped afterwards.
void sha256(const void* data, std::size_t n, std::uint8_t digest[32]);
