// CBC mode (NIST SP 800-38A, 6.2) over the AES block functions. The chaining value stays in
// four column words from block to block; the IV buffer is read once and written once.
#include "storage/crypto/aes.h"

#include "storage/crypto/aes_rounds.h"
#include "storage/crypto/hardware_paths.h"
#include "storage/wipe.h"

using aesdetail::ByteIo;

namespace {

// Io loads and stores the data blocks; the IV, a separate small buffer, always goes byte-wise.
template <typename Io>
void encryptChain(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                  const std::uint32_t* rk) {
    std::uint32_t c[4] = {ByteIo::load(iv), ByteIo::load(iv + 4), ByteIo::load(iv + 8),
                          ByteIo::load(iv + 12)};
    for (std::size_t at = 0; at < n; at += 16) {
        // C_j = CIPH(P_j ^ C_j-1); the whole input block is read before the output is written,
        // so in and out may be the same buffer.
        c[0] ^= Io::load(in + at);
        c[1] ^= Io::load(in + at + 4);
        c[2] ^= Io::load(in + at + 8);
        c[3] ^= Io::load(in + at + 12);
        aesdetail::encryptColumns(rk, c);
        Io::store(out + at, c[0]);
        Io::store(out + at + 4, c[1]);
        Io::store(out + at + 8, c[2]);
        Io::store(out + at + 12, c[3]);
    }
    for (int j = 0; j < 4; ++j) ByteIo::store(iv + 4 * j, c[j]);
    secureWipe(c, sizeof c);
}

template <typename Io>
void decryptChain(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::uint8_t iv[16],
                  const std::uint32_t* rk) {
    std::uint32_t previous[4] = {ByteIo::load(iv), ByteIo::load(iv + 4), ByteIo::load(iv + 8),
                                 ByteIo::load(iv + 12)};
    std::uint32_t cipher[4];
    std::uint32_t nextCipher[4];
    std::uint32_t s[4];
    std::uint32_t u[4];
    // P_j = CIPH^-1(C_j) ^ C_j-1, two blocks at a time: both are read before either plaintext is
    // written, as out may be in. A last odd block goes through paired with itself.
    for (std::size_t at = 0; at < n; at += 32) {
        const std::size_t next = at + 32 <= n ? at + 16 : at;
        for (int j = 0; j < 4; ++j) {
            s[j] = cipher[j] = Io::load(in + at + 4 * j);
            u[j] = nextCipher[j] = Io::load(in + next + 4 * j);
        }
        aesdetail::decryptColumns2(rk, s, u);
        for (int j = 0; j < 4; ++j) {
            Io::store(out + at + 4 * j, s[j] ^ previous[j]);
            if (next != at) Io::store(out + next + 4 * j, u[j] ^ cipher[j]);
            previous[j] = nextCipher[j];
        }
    }
    for (int j = 0; j < 4; ++j) ByteIo::store(iv + 4 * j, previous[j]);
    secureWipe(s, sizeof s);
    secureWipe(u, sizeof u);
    secureWipe(cipher, sizeof cipher);
    secureWipe(nextCipher, sizeof nextCipher);
    secureWipe(previous, sizeof previous);
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
#if QUILLOX_AES_WORD_IO
    if (aesdetail::wordAligned(in, out)) {
        encryptChain<aesdetail::WordIo>(in, out, n, iv, schedule.roundKeys);
        return true;
    }
#endif
    encryptChain<ByteIo>(in, out, n, iv, schedule.roundKeys);
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
#if QUILLOX_AES_WORD_IO
    if (aesdetail::wordAligned(in, out)) {
        decryptChain<aesdetail::WordIo>(in, out, n, iv, schedule.roundKeys);
        return true;
    }
#endif
    decryptChain<ByteIo>(in, out, n, iv, schedule.roundKeys);
    return true;
}
