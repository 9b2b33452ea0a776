// AES (FIPS-197): the lookup tables, built at run time from GF(2^8) arithmetic, the key
// expansion for 256-bit keys and the block functions.
#include "storage/crypto/aes.h"

#include "storage/crypto/aes_rounds.h"
#include "storage/crypto/big_endian.h"
#include "storage/crypto/hardware_paths.h"
#include "storage/wipe.h"

namespace aesdetail {

AesTables tables;
bool tablesBuilt = false;

}  // namespace aesdetail

using aesdetail::AesTables;
using aesdetail::tables;

namespace {

// Multiplication by x in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1 (0x11B), FIPS-197 4.2.1.
std::uint8_t xtime(std::uint8_t a) {
    return std::uint8_t((a << 1) ^ ((a & 0x80) ? 0x1b : 0x00));
}

// General multiplication, shift-and-add over the bits of b (4.2).
std::uint8_t gfMul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    for (; b != 0; b >>= 1, a = xtime(a))
        if (b & 1) product ^= a;
    return product;
}

std::uint8_t rotl8(std::uint8_t x, unsigned n) {
    return std::uint8_t((x << n) | (x >> (8 - n)));
}

// n may be 0 (the unrotated table), hence the mask on the left shift.
std::uint32_t rotr32(std::uint32_t x, unsigned n) {
    return (x >> n) | (x << ((32 - n) & 31));
}

std::uint32_t column(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return (std::uint32_t(b0) << 24) | (std::uint32_t(b1) << 16) | (std::uint32_t(b2) << 8) | b3;
}

// SubWord of 5.2: the S-box applied to each byte of a key word.
std::uint32_t subWord(std::uint32_t w) {
    const std::uint8_t* s = tables.sbox;
    return column(s[w >> 24], s[(w >> 16) & 0xff], s[(w >> 8) & 0xff], s[w & 0xff]);
}

// InvMixColumns (5.3.3) of one round-key column.
std::uint32_t invMixColumn(std::uint32_t w) {
    const AesTables& T = tables;
    return T.keyMix[0][w >> 24] ^ T.keyMix[1][(w >> 16) & 0xff] ^ T.keyMix[2][(w >> 8) & 0xff] ^
           T.keyMix[3][w & 0xff];
}

}  // namespace

void buildAesTables() {
    if (aesdetail::tablesBuilt) return;
    AesTables& T = tables;

    // Powers of the generator x + 1 (0x03) run through all 255 non-zero elements; their
    // logarithms turn inversion into 255 - log. pow has 255 entries, pow[255] would be pow[0].
    std::uint8_t pow[255];
    std::uint8_t log[256] = {};
    std::uint8_t p = 1;
    for (int i = 0; i < 255; ++i) {
        pow[i] = p;
        log[p] = std::uint8_t(i);
        p ^= xtime(p);  // p * 0x03
    }

    for (int x = 0; x < 256; ++x) {
        // S-box (5.1.1): the multiplicative inverse (0 for 0), then the affine map
        // b ^ (b <<< 1) ^ (b <<< 2) ^ (b <<< 3) ^ (b <<< 4) ^ 0x63.
        const std::uint8_t b = x == 0 ? 0 : pow[(255 - log[x]) % 255];
        const std::uint8_t s =
            std::uint8_t(b ^ rotl8(b, 1) ^ rotl8(b, 2) ^ rotl8(b, 3) ^ rotl8(b, 4) ^ 0x63);
        T.sbox[x] = s;
        T.invSbox[s] = std::uint8_t(x);
    }

    for (int x = 0; x < 256; ++x) {
        // A state byte s at row 0 of a column contributes the column (02 s, 01 s, 01 s, 03 s)
        // to MixColumns (5.1.3); at row r the same column rotated down by r, which is the word
        // rotated right by 8r bits. te[r] folds SubBytes into it.
        const std::uint8_t s = T.sbox[x];
        const std::uint32_t mix = column(gfMul(s, 2), s, s, gfMul(s, 3));
        // InvMixColumns (5.3.3) spreads a byte a at row 0 as (0e a, 09 a, 0d a, 0b a).
        const std::uint8_t a = std::uint8_t(x);
        const std::uint32_t invMix = column(gfMul(a, 14), gfMul(a, 9), gfMul(a, 13), gfMul(a, 11));
        // td[r] folds InvSubBytes in front of it: td[0][x] = keyMix[0][invSbox[x]].
        const std::uint8_t is = T.invSbox[x];
        const std::uint32_t invSubMix =
            column(gfMul(is, 14), gfMul(is, 9), gfMul(is, 13), gfMul(is, 11));
        for (unsigned r = 0; r < 4; ++r) {
            T.te[r][x] = rotr32(mix, 8 * r);
            T.keyMix[r][x] = rotr32(invMix, 8 * r);
            T.td[r][x] = rotr32(invSubMix, 8 * r);
        }
        // The last round has no mixing: the substituted byte in every position, masked by
        // the round to the one it needs.
        T.te4[x] = column(s, s, s, s);
        T.td4[x] = column(is, is, is, is);
    }

    // Rcon[i] of 5.2: x^(i-1) in the top byte of a word.
    std::uint8_t r = 1;
    for (int i = 0; i < 10; ++i, r = xtime(r)) T.rcon[i] = std::uint32_t(r) << 24;

    aesdetail::tablesBuilt = true;
}

void expandEncKey(const std::uint8_t key[32], AesEncKeySchedule& schedule) {
#if QUILLOX_HARDWARE_CRYPTO
    if (hwcrypto::aesInUse) {
        hwcrypto::expandEncKey(key, schedule.roundKeys);
        return;
    }
#endif
    // The tables are a precondition; building them here costs one test of the flag and keeps
    // a forgotten call from producing a silently wrong key.
    buildAesTables();
    std::uint32_t* w = schedule.roundKeys;
    // KeyExpansion (5.2) with Nk = 8: 4 * (Nr + 1) words.
    for (int i = 0; i < 8; ++i) w[i] = loadBigEndian32(key + 4 * i);
    for (int i = 8; i < int(4 * (kAesRounds + 1)); ++i) {
        std::uint32_t temp = w[i - 1];
        if (i % 8 == 0)
            temp = subWord(rotr32(temp, 24)) ^ tables.rcon[i / 8 - 1];  // RotWord is <<< 8
        else if (i % 8 == 4)
            temp = subWord(temp);
        w[i] = w[i - 8] ^ temp;
    }
}

void expandDecKey(const std::uint8_t key[32], AesDecKeySchedule& schedule) {
    AesEncKeySchedule enc;
    expandEncKey(key, enc);
#if QUILLOX_HARDWARE_CRYPTO
    if (hwcrypto::aesInUse) {
        hwcrypto::invertKeys(enc.roundKeys, schedule.roundKeys);
        secureWipe(&enc, sizeof enc);
        return;
    }
#endif
    // The equivalent inverse cipher (5.3.5) takes the round keys last to first, and the inner
    // ones through InvMixColumns so that it can add them after its mixing step.
    const std::uint32_t* e = enc.roundKeys;
    std::uint32_t* d = schedule.roundKeys;
    constexpr unsigned last = 4 * kAesRounds;
    for (unsigned j = 0; j < 4; ++j) d[j] = e[last + j];
    for (unsigned round = 1; round < kAesRounds; ++round)
        for (unsigned j = 0; j < 4; ++j) d[4 * round + j] = invMixColumn(e[last - 4 * round + j]);
    for (unsigned j = 0; j < 4; ++j) d[last + j] = e[j];
    secureWipe(&enc, sizeof enc);
}

void encryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                  const AesEncKeySchedule& schedule) {
#if QUILLOX_HARDWARE_CRYPTO
    if (hwcrypto::aesInUse) return hwcrypto::encryptBlock(in, out, schedule.roundKeys);
#endif
    std::uint32_t s[4];  // wiped below
    for (int j = 0; j < 4; ++j) s[j] = loadBigEndian32(in + 4 * j);
    aesdetail::encryptColumns(schedule.roundKeys, s);
    for (int j = 0; j < 4; ++j) storeBigEndian32(out + 4 * j, s[j]);
    secureWipeLocal(s);
}

void decryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                  const AesDecKeySchedule& schedule) {
#if QUILLOX_HARDWARE_CRYPTO
    if (hwcrypto::aesInUse) return hwcrypto::decryptBlock(in, out, schedule.roundKeys);
#endif
    std::uint32_t s[4];  // wiped below
    for (int j = 0; j < 4; ++j) s[j] = loadBigEndian32(in + 4 * j);
    aesdetail::decryptColumns2(schedule.roundKeys, s, s);
    for (int j = 0; j < 4; ++j) storeBigEndian32(out + 4 * j, s[j]);
    secureWipeLocal(s);
}
