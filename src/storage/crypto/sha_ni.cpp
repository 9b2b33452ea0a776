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

using sha256detail::K;

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
            __m128i wk = _mm_add_epi32(
                w[g % 4], _mm_loadu_si128(reinterpret_cast<const __m128i*>(K + 4 * g)));
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
