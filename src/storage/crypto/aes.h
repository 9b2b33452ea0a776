// AES (FIPS-197) with 256-bit keys, and CBC mode (NIST SP 800-38A).
#pragma once

#include <cstddef>
#include <cstdint>

// 15 round keys of four words, then the number of rounds times 16 (224 for AES-256).
struct AesEncKeySchedule {
    std::uint32_t roundKeys[60];
    std::uint8_t roundsMarker;
};

// The equivalent inverse cipher's round keys (inner ones through InvMixColumns), in the order
// decryption uses them, with the same marker.
struct AesDecKeySchedule {
    std::uint32_t roundKeys[60];
    std::uint8_t roundsMarker;
};

// Builds the S-boxes and round tables from GF(2^8) arithmetic once per process; later calls
// return at once.
void buildAesTables();

// Both build the tables first when buildAesTables() has not run yet.
void expandEncKey(const std::uint8_t key[32], AesEncKeySchedule& schedule);
void expandDecKey(const std::uint8_t key[32], AesDecKeySchedule& schedule);

// 0, or 1 when the schedule's rounds marker is not that of 10, 12 or 14 rounds (nothing written).
// Input and output may be the same buffer.
int encryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                 const AesEncKeySchedule& schedule);
int decryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                 const AesDecKeySchedule& schedule);

// 0, or 1 when n is not a multiple of 16 or the schedule's rounds marker is refused as above
// (output and iv untouched); n = 0 does nothing and returns 0. The iv is read and left
// holding the last ciphertext block, so a following call continues the chain. In place allowed.
int cbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
               const AesEncKeySchedule& schedule);
int cbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
               const AesDecKeySchedule& schedule);
