// The instruction paths behind aes.cpp, cbc.cpp and sha256.cpp, and the switches that choose
// them. Private to the crypto directory.
//
// Round keys are kept in the schedules exactly as the table-driven code keeps them (big-endian
// column words, decryption keys in the equivalent inverse cipher's order), so that a schedule
// made by either path works with the other.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define QUILLOX_HARDWARE_CRYPTO 1
#else
#define QUILLOX_HARDWARE_CRYPTO 0
#endif

namespace hwcrypto {

// Whether each path is in use; set once from CPUID before main and by setHardwareCrypto.
extern bool aesInUse;
extern bool shaInUse;

#if QUILLOX_HARDWARE_CRYPTO
void expandEncKey(const std::uint8_t key[32], std::uint32_t roundKeys[60]);
// From the encryption round keys to those of the equivalent inverse cipher.
void invertKeys(const std::uint32_t encKeys[60], std::uint32_t decKeys[60]);
// rk holds the round keys of a schedule.
void encryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t* rk);
void decryptBlock(const std::uint8_t in[16], std::uint8_t out[16], const std::uint32_t* rk);
void cbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                const std::uint32_t* rk);
void cbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                const std::uint32_t* rk);
// Compresses `blocks` consecutive 64-byte blocks into the state.
void sha256Blocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);
#endif

}  // namespace hwcrypto

namespace sha256detail {

// The round constants of SHA-256, defined in sha256.cpp for both paths; 16-byte aligned.
extern const std::uint32_t K[64];

}  // namespace sha256detail

// Turns on an instruction set for one function only, so that the rest of the program still
// runs on any processor of the family. MSVC lets every function use the intrinsics.
#if defined(__GNUC__) || defined(__clang__)
#define QUILLOX_TARGET(sets) __attribute__((target(sets)))
#else
#define QUILLOX_TARGET(sets)
#endif

// Unrolls the loop that follows n times, where the compiler knows how.
#if defined(__clang__)
#define QUILLOX_UNROLL(n) _Pragma("unroll")
#elif defined(__GNUC__)
#define QUILLOX_PRAGMA(text) _Pragma(#text)
#define QUILLOX_UNROLL(n) QUILLOX_PRAGMA(GCC unroll n)
#else
#define QUILLOX_UNROLL(n)
#endif

// The same, except in a build for size (the editor, which every note carries).
#if defined(__OPTIMIZE_SIZE__)
#define QUILLOX_UNROLL_FOR_SPEED(n)
#else
#define QUILLOX_UNROLL_FOR_SPEED(n) QUILLOX_UNROLL(n)
#endif
