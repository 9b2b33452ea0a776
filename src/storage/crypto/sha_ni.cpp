// The SHA-256 compression (FIPS 180-2, 6.2.2) with the SHA instructions. SHA256RNDS2 does two
// rounds on the working variables kept as {A,B,E,F} and {C,D,G,H}; SHA256MSG1 and SHA256MSG2
// compute the message schedule four words at a time, with the W[t-7] term added in between.
#include "storage/crypto/hardware_paths.h"

#if QUILLOX_HARDWARE_CRYPTO

#include <emmintrin.h>
#include <immintrin.h>
#include <smmintrin.h>
#include <tmmintrin.h>

#include "storage/wipe.h"

#define SHA_TARGET QUILLOX_TARGET("sha,sse4.1,ssse3")

namespace {

// The constants K0..K63 of 4.2.2, four to a register.
alignas(16) const std::uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

}  // namespace

namespace hwcrypto {

SHA_TARGET void sha256Blocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks) {
    // Message words are big-endian: turn each around on loading.
    const __m128i wordSwap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);

    // H0..H7 to {A,B,E,F} and {C,D,G,H}, highest lane first as the instructions want them.
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xb1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1b);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xf0);

    __m128i w[4];  // W[t..t+3] for the four groups of rounds in progress
    for (; blocks != 0; --blocks, data += 64) {
        const __m128i abefBefore = abef, cdghBefore = cdgh;
        // Sixteen groups of four rounds; group g uses W[4g..4g+3] from w[g % 4]. Once the
        // loop is unrolled every test on g below is decided at compile time.
        QUILLOX_UNROLL(16)
        for (int g = 0; g < 16; ++g) {
            if (g < 4)
                w[g] = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), wordSwap);
            __m128i wk = _mm_add_epi32(w[g % 4],
                                       _mm_load_si128(reinterpret_cast<const __m128i*>(K + 4 * g)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
            if (g >= 3 && g <= 14) {
                // W[4g+4..4g+7]: sigma0 terms (from MSG1 earlier) plus W[t-7], then sigma1.
                __m128i& next = w[(g + 1) % 4];
                next = _mm_add_epi32(next, _mm_alignr_epi8(w[g % 4], w[(g + 3) % 4], 4));
                next = _mm_sha256msg2_epu32(next, w[g % 4]);
            }
            wk = _mm_shuffle_epi32(wk, 0x0e);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, wk);
            if (g >= 1 && g <= 12) w[(g + 3) % 4] = _mm_sha256msg1_epu32(w[(g + 3) % 4], w[g % 4]);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1b);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xb1);
    dcba = _mm_blend_epi16(feba, dchg, 0xf0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hgfe);
    // The schedule words are derived from the message, which may be a passphrase.
    secureWipe(w, sizeof w);
}

}  // namespace hwcrypto

#endif
