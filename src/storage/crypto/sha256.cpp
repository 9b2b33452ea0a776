// SHA-256 as in FIPS 180-2, section 6.2. Words are big-endian in the message and in the digest.
#include "storage/crypto/sha256.h"

#include <cstring>

#include "storage/crypto/big_endian.h"
#include "storage/crypto/hardware_paths.h"
#include "storage/wipe.h"

namespace sha256detail {

// The constants K0..K63 of 4.2.2: the first 32 bits of the fractional parts of the cube roots of
// the first 64 primes.
alignas(16) const std::uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

}  // namespace sha256detail

using sha256detail::K;

namespace {

inline std::uint32_t rotr(std::uint32_t x, unsigned n) {
    return (x >> n) | (x << (32 - n));
}

// The six logical functions of FIPS 180-2, 4.1.2. Ch and Maj are written in forms that need one
// operation fewer than the standard's and give the same bits.
inline std::uint32_t Ch(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline std::uint32_t Maj(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) | (z & (x | y));
}
inline std::uint32_t Sigma0(std::uint32_t x) {
    return rotr(x, 2) ^ rotr(x, 13) ^ rotr(x, 22);
}
inline std::uint32_t Sigma1(std::uint32_t x) {
    return rotr(x, 6) ^ rotr(x, 11) ^ rotr(x, 25);
}
inline std::uint32_t sigma0(std::uint32_t x) {
    return rotr(x, 7) ^ rotr(x, 18) ^ (x >> 3);
}
inline std::uint32_t sigma1(std::uint32_t x) {
    return rotr(x, 17) ^ rotr(x, 19) ^ (x >> 10);
}

// W_t of the message schedule (6.2.2 step 1), kept in a ring of the last sixteen words: from
// t = 16 on, W_t takes the place of W_t-16, and W_t-2, W_t-7 and W_t-15 are still in the ring.
inline std::uint32_t scheduleWord(std::uint32_t w[16], int t) {
    if (t >= 16) w[t & 15] += sigma1(w[(t - 2) & 15]) + w[(t - 7) & 15] + sigma0(w[(t - 15) & 15]);
    return w[t & 15];
}

// Round t of 6.2.2 step 3, on the ring w. Instead of shifting the eight working variables along,
// each round names them in an order rotated by one, so the round's "new a" lands in h and its
// "new e" in d.
#define ROUND(a, b, c, d, e, f, g, h, t)                          \
    do {                                                          \
        h += Sigma1(e) + Ch(e, f, g) + K[t] + scheduleWord(w, t); \
        d += h;                                                   \
        h += Sigma0(a) + Maj(a, b, c);                            \
    } while (0)

// Compresses `blocks` consecutive 64-byte blocks into the state, through the SHA instructions
// where they are in use.
void compressBlocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
#if QUILLOX_HARDWARE_CRYPTO
    if (hwcrypto::shaInUse) {
        hwcrypto::sha256Blocks(state, data, blocks);
        return;
    }
#endif
    std::uint32_t w[16];  // words of the message: wiped before returning
    for (; blocks != 0; --blocks, data += 64) {
        for (int t = 0; t < 16; ++t) w[t] = loadBigEndian32(data + 4 * t);
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        // Eight rounds bring the names back round to a..h. Unrolled, the ring's indices are
        // constants and its words stay in registers; a build for size keeps the loop.
        QUILLOX_UNROLL_FOR_SPEED(8)
        for (int t = 0; t < 64; t += 8) {
            ROUND(a, b, c, d, e, f, g, h, t);
            ROUND(h, a, b, c, d, e, f, g, t + 1);
            ROUND(g, h, a, b, c, d, e, f, t + 2);
            ROUND(f, g, h, a, b, c, d, e, t + 3);
            ROUND(e, f, g, h, a, b, c, d, t + 4);
            ROUND(d, e, f, g, h, a, b, c, t + 5);
            ROUND(c, d, e, f, g, h, a, b, t + 6);
            ROUND(b, c, d, e, f, g, h, a, t + 7);
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
    secureWipeLocal(w);
}

#undef ROUND

}  // namespace

void sha256Init(Sha256Context& ctx) {
    // The initial hash value of 5.3.2: the first 32 bits of the fractional parts of the square
    // roots of the first eight primes.
    static const std::uint32_t initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    ctx.countLow = 0;
    ctx.countHigh = 0;
    std::memcpy(ctx.state, initial, sizeof initial);
}

void sha256Update(Sha256Context& ctx, const void* data, std::size_t n) {
    if (n == 0) return;
    const std::uint8_t* in = static_cast<const std::uint8_t*>(data);
    std::size_t used = ctx.countLow & 63;

    // The byte count is 64 bits in two words; size_t may itself be wider than 32 bits.
    const std::uint64_t wide = n;
    const std::uint32_t low = std::uint32_t(wide);
    ctx.countLow += low;
    ctx.countHigh += std::uint32_t(wide >> 32) + (ctx.countLow < low ? 1u : 0u);

    if (used != 0) {
        const std::size_t room = 64 - used;
        if (n < room) {
            std::memcpy(ctx.buffer + used, in, n);
            return;
        }
        std::memcpy(ctx.buffer + used, in, room);
        compressBlocks(ctx.state, ctx.buffer, 1);
        in += room;
        n -= room;
    }
    compressBlocks(ctx.state, in, n / 64);
    in += n / 64 * 64;
    n %= 64;
    if (n != 0) std::memcpy(ctx.buffer, in, n);
}

void sha256Final(Sha256Context& ctx, std::uint8_t digest[32]) {
    // 5.1.1: the byte 0x80, zeros up to 56 modulo 64, then the length in bits, 64 bits
    // big-endian: the byte count times eight, with the three bits shifted out of the low word
    // moving into the high one.
    const std::uint32_t bitsHigh = (ctx.countHigh << 3) | (ctx.countLow >> 29);
    const std::uint32_t bitsLow = ctx.countLow << 3;
    std::size_t used = ctx.countLow & 63;

    ctx.buffer[used++] = 0x80;
    if (used > 56) {
        std::memset(ctx.buffer + used, 0, 64 - used);
        compressBlocks(ctx.state, ctx.buffer, 1);
        used = 0;
    }
    std::memset(ctx.buffer + used, 0, 56 - used);
    storeBigEndian32(ctx.buffer + 56, bitsHigh);
    storeBigEndian32(ctx.buffer + 60, bitsLow);
    compressBlocks(ctx.state, ctx.buffer, 1);

    for (int i = 0; i < 8; ++i) storeBigEndian32(digest + 4 * i, ctx.state[i]);
}

void sha256(const void* data, std::size_t n, std::uint8_t digest[32]) {
    Sha256Context ctx;
    sha256Init(ctx);
    sha256Update(ctx, data, n);
    sha256Final(ctx, digest);
    // The buffer may hold the tail of a passphrase.
    secureWipe(&ctx, sizeof ctx);
}
