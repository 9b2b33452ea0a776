// AES-256 key expansion, blocks and CBC with the AES instructions. AESENC and AESDEC do a
// whole round (5.1 and 5.3 of FIPS-197, the latter for the equivalent inverse cipher of 5.3.5)
// without a table, so nothing here reads memory at an address that depends on the key or the
// data.
#include "storage/crypto/hardware_paths.h"

#if QUILLOX_HARDWARE_CRYPTO

#include <emmintrin.h>
#include <tmmintrin.h>
#include <wmmintrin.h>

#include "storage/crypto/aes.h"
#include "storage/wipe.h"

#define AES_TARGET QUILLOX_TARGET("aes,ssse3")

namespace {

// The schedules hold each round key as four big-endian words; in a register the key is the
// sixteen bytes in order, which is each little-endian word turned around.
AES_TARGET inline __m128i wordSwap() {
    return _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
}

AES_TARGET inline __m128i loadKey(const std::uint32_t* words) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words)), wordSwap());
}

AES_TARGET inline void storeKey(std::uint32_t* words, __m128i key) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(words), _mm_shuffle_epi8(key, wordSwap()));
}

AES_TARGET inline __m128i loadBlock(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

AES_TARGET inline void storeBlock(std::uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Holds the round keys in registers (or the stack) for one call and wipes them.
struct RoundKeys {
    __m128i k[kAesRounds + 1];

    AES_TARGET explicit RoundKeys(const std::uint32_t* rk) {
        for (unsigned i = 0; i <= kAesRounds; ++i) k[i] = loadKey(rk + 4 * i);
    }
    ~RoundKeys() { secureWipe(k, sizeof k); }
    RoundKeys(const RoundKeys&) = delete;
    RoundKeys& operator=(const RoundKeys&) = delete;

    AES_TARGET __m128i encrypt(__m128i s) const {
        s = _mm_xor_si128(s, k[0]);
        for (unsigned i = 1; i < kAesRounds; ++i) s = _mm_aesenc_si128(s, k[i]);
        return _mm_aesenclast_si128(s, k[kAesRounds]);
    }
    AES_TARGET __m128i decrypt(__m128i s) const {
        s = _mm_xor_si128(s, k[0]);
        for (unsigned i = 1; i < kAesRounds; ++i) s = _mm_aesdec_si128(s, k[i]);
        return _mm_aesdeclast_si128(s, k[kAesRounds]);
    }
};

// One step of KeyExpansion (5.2) for Nk = 8: the four words after w[i-8..i-5] (prev) given
// t, the word-wise transform of w[i-1] that AESKEYGENASSIST delivers. Each new word is the
// one eight back xored with the one before it, so the running xor of prev's words does it.
AES_TARGET inline __m128i nextKey(__m128i prev, __m128i t) {
    prev = _mm_xor_si128(prev, _mm_slli_si128(prev, 4));
    prev = _mm_xor_si128(prev, _mm_slli_si128(prev, 4));
    prev = _mm_xor_si128(prev, _mm_slli_si128(prev, 4));
    return _mm_xor_si128(prev, t);
}

// For i % 8 == 0: SubWord(RotWord(w[i-1])) ^ Rcon, from word 3 of AESKEYGENASSIST.
template <int rcon>
AES_TARGET inline __m128i evenKey(__m128i twoBack, __m128i oneBack) {
    return nextKey(twoBack, _mm_shuffle_epi32(_mm_aeskeygenassist_si128(oneBack, rcon), 0xff));
}

// For i % 8 == 4: SubWord(w[i-1]) alone, word 2 of AESKEYGENASSIST.
AES_TARGET inline __m128i oddKey(__m128i twoBack, __m128i oneBack) {
    return nextKey(twoBack, _mm_shuffle_epi32(_mm_aeskeygenassist_si128(oneBack, 0), 0xaa));
}

}  // namespace

namespace hwcrypto {

AES_TARGET void expandEncKey(const std::uint8_t key[32], std::uint32_t roundKeys[60]) {
    __m128i k[15];
    k[0] = loadBlock(key);
    k[1] = loadBlock(key + 16);
    k[2] = evenKey<0x01>(k[0], k[1]);
    k[3] = oddKey(k[1], k[2]);
    k[4] = evenKey<0x02>(k[2], k[3]);
    k[5] = oddKey(k[3], k[4]);
    k[6] = evenKey<0x04>(k[4], k[5]);
    k[7] = oddKey(k[5], k[6]);
    k[8] = evenKey<0x08>(k[6], k[7]);
    k[9] = oddKey(k[7], k[8]);
    k[10] = evenKey<0x10>(k[8], k[9]);
    k[11] = oddKey(k[9], k[10]);
    k[12] = evenKey<0x20>(k[10], k[11]);
    k[13] = oddKey(k[11], k[12]);
    k[14] = evenKey<0x40>(k[12], k[13]);
    for (int i = 0; i < 15; ++i) storeKey(roundKeys + 4 * i, k[i]);
    secureWipe(k, sizeof k);
}

AES_TARGET void invertKeys(const std::uint32_t encKeys[60], std::uint32_t decKeys[60]) {
    // Last to first, the inner ones through InvMixColumns (AESIMC), as 5.3.5 orders them.
    constexpr unsigned last = 4 * kAesRounds;
    __m128i key = loadKey(encKeys + last);
    storeKey(decKeys, key);
    for (unsigned round = 1; round < kAesRounds; ++round) {
        key = _mm_aesimc_si128(loadKey(encKeys + last - 4 * round));
        storeKey(decKeys + 4 * round, key);
    }
    key = loadKey(encKeys);
    storeKey(decKeys + last, key);
    secureWipe(&key, sizeof key);
}

AES_TARGET void encryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                             const std::uint32_t* rk) {
    const RoundKeys keys(rk);
    storeBlock(out, keys.encrypt(loadBlock(in)));
}

AES_TARGET void decryptBlock(const std::uint8_t in[16], std::uint8_t out[16],
                             const std::uint32_t* rk) {
    const RoundKeys keys(rk);
    storeBlock(out, keys.decrypt(loadBlock(in)));
}

AES_TARGET void cbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n,
                           std::uint8_t iv[16], const std::uint32_t* rk) {
    // C_j = CIPH(P_j ^ C_j-1): each block waits for the one before, so one at a time.
    const RoundKeys keys(rk);
    __m128i c = loadBlock(iv);
    for (std::size_t at = 0; at < n; at += 16) {
        c = keys.encrypt(_mm_xor_si128(c, loadBlock(in + at)));
        storeBlock(out + at, c);
    }
    storeBlock(iv, c);
}

AES_TARGET void cbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n,
                           std::uint8_t iv[16], const std::uint32_t* rk) {
    // P_j = CIPH^-1(C_j) ^ C_j-1: the blocks are independent, so eight go through the rounds
    // together and the instructions' latency overlaps. All eight ciphertext blocks are read
    // before any plaintext is written, which allows in place. The lane loops are unrolled and
    // the states' address never taken, so that the blocks stay in registers (sixteen of them
    // hold the eight states, the key and the ciphertexts) and leave nothing on the stack.
    constexpr int lanes = 8;
    const RoundKeys keys(rk);
    __m128i previous = loadBlock(iv);
    std::size_t at = 0;
    for (; at + 16 * lanes <= n; at += 16 * lanes) {
        __m128i c[lanes];
        __m128i s[lanes];
        QUILLOX_UNROLL(8)
        for (int j = 0; j < lanes; ++j) {
            c[j] = loadBlock(in + at + 16 * j);
            s[j] = _mm_xor_si128(c[j], keys.k[0]);
        }
        for (unsigned i = 1; i < kAesRounds; ++i) {
            const __m128i key = keys.k[i];
            QUILLOX_UNROLL(8)
            for (int j = 0; j < lanes; ++j) s[j] = _mm_aesdec_si128(s[j], key);
        }
        const __m128i last = keys.k[kAesRounds];
        QUILLOX_UNROLL(8)
        for (int j = 0; j < lanes; ++j)
            storeBlock(out + at + 16 * j, _mm_xor_si128(_mm_aesdeclast_si128(s[j], last),
                                                        j == 0 ? previous : c[j - 1]));
        previous = c[lanes - 1];
    }
    for (; at < n; at += 16) {
        const __m128i cipher = loadBlock(in + at);
        storeBlock(out + at, _mm_xor_si128(keys.decrypt(cipher), previous));
        previous = cipher;
    }
    storeBlock(iv, previous);
}

}  // namespace hwcrypto

#endif
