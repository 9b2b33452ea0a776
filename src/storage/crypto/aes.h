// AES (FIPS-197) with 256-bit keys, and CBC mode (NIST SP 800-38A).
#pragma once

#include <cstddef>
#include <cstdint>

// Nr of FIPS-197 for a 256-bit key; the only key size a note uses.
constexpr unsigned kAesRounds = 14;

// The Nr + 1 round keys of four words each.
struct AesEncKeySchedule {
    std::uint32_t roundKeys[4 * (kAesRounds + 1)];
};

// The equivalent inverse cipher's round keys (inner ones through InvMixColumns), in the order
// decryption uses them.
struct AesDecKeySchedule {
    std::uint32_t roundKeys[4 * (kAesRounds + 1)];
};

// Builds the S-boxes and round tables from GF(2^8) arithmetic once per process; later calls
// return at once.
void buildAesTables();

// Both build the tables first when buildAesTables() has not run yet.
void expandEncKey(const std::uint8_t key[32], AesEncKeySchedule& schedule);
void expandDecKey(const std::uint8_t key[32], AesDecKeySchedule& schedule);

// Input and output may be the same buffer.
void encryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                  const AesEncKeySchedule& schedule);
void decryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                  const AesDecKeySchedule& schedule);

// False when n is not a multiple of 16 (output and iv untouched); n = 0 does nothing. The iv is
// read and left holding the last ciphertext block, so a following call
// continues the chain. In place allowed.
bool cbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                const AesEncKeySchedule& schedule);
bool cbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                const AesDecKeySchedule& schedule);
