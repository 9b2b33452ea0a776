// CBC mode (NIST SP 800-38A, 6.2) over the AES block functions. The chaining value stays in
// four column words from block to block; the IV buffer is read once and written once.
#include "storage/crypto/aes.h"

#include "storage/crypto/aes_rounds.h"
#include "storage/crypto/big_endian.h"
#include "storage/crypto/hardware_paths.h"
#include "storage/wipe.h"

namespace {

// C_j = CIPH(P_j ^ C_j-1); the whole input block is read before the output is written, so in
// and out may be the same buffer.
void encryptChain(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                  const std::uint32_t* rk) {
    std::uint32_t c[4];  // wiped below
    for (int j = 0; j < 4; ++j) c[j] = loadBigEndian32(iv + 4 * j);
    for (std::size_t at = 0; at < n; at += 16) {
        c[0] ^= loadBigEndian32(in + at);
        c[1] ^= loadBigEndian32(in + at + 4);
        c[2] ^= loadBigEndian32(in + at + 8);
        c[3] ^= loadBigEndian32(in + at + 12);
        aesdetail::encryptColumns(rk, c);
        storeBigEndian32(out + at, c[0]);
        storeBigEndian32(out + at + 4, c[1]);
        storeBigEndian32(out + at + 8, c[2]);
        storeBigEndian32(out + at + 12, c[3]);
    }
    for (int j = 0; j < 4; ++j) storeBigEndian32(iv + 4 * j, c[j]);
    secureWipeLocal(c);
}

// P_j = CIPH^-1(C_j) ^ C_j-1, two blocks at a time: both are read before either plaintext is
// written, as out may be in. A last odd block goes through paired with itself.
void decryptChain(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                  const std::uint32_t* rk) {
    // All five wiped below.
    std::uint32_t previous[4], cipher[4], nextCipher[4], s[4], u[4];
    for (int j = 0; j < 4; ++j) previous[j] = loadBigEndian32(iv + 4 * j);
    for (std::size_t at = 0; at < n; at += 32) {
        const std::size_t next = at + 32 <= n ? at + 16 : at;
        for (int j = 0; j < 4; ++j) {
            s[j] = cipher[j] = loadBigEndian32(in + at + 4 * j);
            u[j] = nextCipher[j] = loadBigEndian32(in + next + 4 * j);
        }
        aesdetail::decryptColumns2(rk, s, u);
        for (int j = 0; j < 4; ++j) {
            storeBigEndian32(out + at + 4 * j, s[j] ^ previous[j]);
            if (next != at) storeBigEndian32(out + next + 4 * j, u[j] ^ cipher[j]);
            previous[j] = nextCipher[j];
        }
    }
    for (int j = 0; j < 4; ++j) storeBigEndian32(iv + 4 * j, previous[j]);
    secureWipeLocal(previous);
    secureWipeLocal(cipher);
    secureWipeLocal(nextCipher);
    secureWipeLocal(s);
    secureWipeLocal(u);
}

}  // namespace

bool cbcEncrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                const AesEncKeySchedule& schedule) {
    if (n % 16 != 0) return false;
    if (n == 0) return true;
#if QUILLOX_HARDWARE_CRYPTO
    if (hwcrypto::aesInUse) {
        hwcrypto::cbcEncrypt(in, out, n, iv, schedule.roundKeys);
        return true;
    }
#endif
    encryptChain(in, out, n, iv, schedule.roundKeys);
    return true;
}

bool cbcDecrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                const AesDecKeySchedule& schedule) {
    if (n % 16 != 0) return false;
    if (n == 0) return true;
#if QUILLOX_HARDWARE_CRYPTO
    if (hwcrypto::aesInUse) {
        hwcrypto::cbcDecrypt(in, out, n, iv, schedule.roundKeys);
        return true;
    }
#endif
    decryptChain(in, out, n, iv, schedule.roundKeys);
    return true;
}
