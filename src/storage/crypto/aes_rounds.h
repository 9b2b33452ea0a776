// The AES round functions on a state of four 32-bit columns, shared by the block functions and
// CBC so that a CBC chain stays in words from block to block. Private to the crypto directory.
//
// A column is a big-endian word: the state's bytes in0..in3 form column 0 with in0 in the top
// byte, as the input bytes are numbered in FIPS-197, 3.4.
#pragma once

#include <cstdint>

#include "storage/crypto/aes.h"
#include "storage/crypto/hardware_paths.h"

namespace aesdetail {

// Filled by buildAesTables(); see aes.cpp for how each table is derived.
struct AesTables {
    std::uint8_t sbox[256];
    std::uint8_t invSbox[256];
    std::uint32_t te[4][256];  // SubBytes, ShiftRows and MixColumns for one byte, rotated 0..3
    std::uint32_t td[4][256];  // the same for the inverse cipher
    std::uint32_t te4[256];    // last encryption round: S-box byte in all four positions
    std::uint32_t td4[256];    // last decryption round: inverse S-box byte in all four positions
    std::uint32_t keyMix[4][256];  // InvMixColumns alone, for the inner decryption round keys
    std::uint32_t rcon[10];        // round constants x^(i) in the top byte
};

extern AesTables tables;
extern bool tablesBuilt;

// One inner encryption round: column j of the result takes byte 0 of column j, byte 1 of
// column j+1, byte 2 of j+2 and byte 3 of j+3 (ShiftRows), each through its rotated table
// (SubBytes and MixColumns), then AddRoundKey.
#define QUILLOX_AES_ENC_COLUMN(o, a, b, c, d, k)                                  \
    o = T.te[0][a >> 24] ^ T.te[1][(b >> 16) & 0xff] ^ T.te[2][(c >> 8) & 0xff] ^ \
        T.te[3][d & 0xff] ^ (k)
#define QUILLOX_AES_DEC_COLUMN(o, a, b, c, d, k)                                  \
    o = T.td[0][a >> 24] ^ T.td[1][(b >> 16) & 0xff] ^ T.td[2][(c >> 8) & 0xff] ^ \
        T.td[3][d & 0xff] ^ (k)

// The last round of one column, without mixing: bytes of the S-box (te4) or the inverse S-box
// (td4) masked into place.
#define QUILLOX_AES_LAST(table, a, b, c, d)                                     \
    ((table[a >> 24] & 0xff000000u) ^ (table[(b >> 16) & 0xff] & 0x00ff0000u) ^ \
     (table[(c >> 8) & 0xff] & 0x0000ff00u) ^ (table[d & 0xff] & 0x000000ffu))

// Encrypts the state s in place with the round keys rk: one round a pass, from s to t and back.
// A build for speed unrolls the passes, which does away with the copies.
inline void encryptColumns(const std::uint32_t* rk, std::uint32_t s[4]) {
    const AesTables& T = tables;
    std::uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    QUILLOX_UNROLL_FOR_SPEED(kAesRounds - 1)
    for (unsigned round = 1; round < kAesRounds; ++round) {
        rk += 4;
        std::uint32_t t0, t1, t2, t3;
        QUILLOX_AES_ENC_COLUMN(t0, s0, s1, s2, s3, rk[0]);
        QUILLOX_AES_ENC_COLUMN(t1, s1, s2, s3, s0, rk[1]);
        QUILLOX_AES_ENC_COLUMN(t2, s2, s3, s0, s1, rk[2]);
        QUILLOX_AES_ENC_COLUMN(t3, s3, s0, s1, s2, rk[3]);
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
    }
    rk += 4;
    // The last round has no MixColumns: S-box bytes masked into place.
    s[0] = QUILLOX_AES_LAST(T.te4, s0, s1, s2, s3) ^ rk[0];
    s[1] = QUILLOX_AES_LAST(T.te4, s1, s2, s3, s0) ^ rk[1];
    s[2] = QUILLOX_AES_LAST(T.te4, s2, s3, s0, s1) ^ rk[2];
    s[3] = QUILLOX_AES_LAST(T.te4, s3, s0, s1, s2) ^ rk[3];
}

// Two independent blocks s and u (which may be the same) through the equivalent inverse cipher
// of FIPS-197, 5.3.5, with round keys from expandDecKey, the lookups of one filling the waits of
// the other: CBC decryption, unlike encryption, has its blocks free of each other. InvShiftRows
// moves row r right, so column j takes byte 1 from column j-1, byte 2 from j-2, byte 3 from j-3.
inline void decryptColumns2(const std::uint32_t* rk, std::uint32_t s[4], std::uint32_t u[4]) {
    const AesTables& T = tables;
    std::uint32_t s0 = s[0] ^ rk[0], s1 = s[1] ^ rk[1], s2 = s[2] ^ rk[2], s3 = s[3] ^ rk[3];
    std::uint32_t u0 = u[0] ^ rk[0], u1 = u[1] ^ rk[1], u2 = u[2] ^ rk[2], u3 = u[3] ^ rk[3];
    for (unsigned round = 1; round < kAesRounds; ++round) {
        rk += 4;
        std::uint32_t t0, t1, t2, t3, v0, v1, v2, v3;
        QUILLOX_AES_DEC_COLUMN(t0, s0, s3, s2, s1, rk[0]);
        QUILLOX_AES_DEC_COLUMN(v0, u0, u3, u2, u1, rk[0]);
        QUILLOX_AES_DEC_COLUMN(t1, s1, s0, s3, s2, rk[1]);
        QUILLOX_AES_DEC_COLUMN(v1, u1, u0, u3, u2, rk[1]);
        QUILLOX_AES_DEC_COLUMN(t2, s2, s1, s0, s3, rk[2]);
        QUILLOX_AES_DEC_COLUMN(v2, u2, u1, u0, u3, rk[2]);
        QUILLOX_AES_DEC_COLUMN(t3, s3, s2, s1, s0, rk[3]);
        QUILLOX_AES_DEC_COLUMN(v3, u3, u2, u1, u0, rk[3]);
        s0 = t0, s1 = t1, s2 = t2, s3 = t3;
        u0 = v0, u1 = v1, u2 = v2, u3 = v3;
    }
    rk += 4;
    s[0] = QUILLOX_AES_LAST(T.td4, s0, s3, s2, s1) ^ rk[0];
    s[1] = QUILLOX_AES_LAST(T.td4, s1, s0, s3, s2) ^ rk[1];
    s[2] = QUILLOX_AES_LAST(T.td4, s2, s1, s0, s3) ^ rk[2];
    s[3] = QUILLOX_AES_LAST(T.td4, s3, s2, s1, s0) ^ rk[3];
    u[0] = QUILLOX_AES_LAST(T.td4, u0, u3, u2, u1) ^ rk[0];
    u[1] = QUILLOX_AES_LAST(T.td4, u1, u0, u3, u2) ^ rk[1];
    u[2] = QUILLOX_AES_LAST(T.td4, u2, u1, u0, u3) ^ rk[2];
    u[3] = QUILLOX_AES_LAST(T.td4, u3, u2, u1, u0) ^ rk[3];
}

#undef QUILLOX_AES_ENC_COLUMN
#undef QUILLOX_AES_DEC_COLUMN
#undef QUILLOX_AES_LAST

}  // namespace aesdetail
