// The instruction paths against the portable code: the switch really selects them where the
// processor has the instructions, and both give the same schedules, ciphertexts, chaining
// values and digests for random keys, IVs, lengths and buffer offsets, in place or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "storage/crypto/aes.h"
#include "storage/crypto/hardware.h"
#include "storage/crypto/sha256.h"
#include "test_files.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

struct Restore {
    ~Restore() { setHardwareCrypto(true); }
};

TEST(CryptoPaths, SwitchFollowsTheProcessor) {
    Restore restore;
    bool cpuHas = false;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a, b, c, d;
    cpuHas = (__get_cpuid(1, &a, &b, &c, &d) && (c & bit_AES)) ||
             (__get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_SHA));
#endif
    EXPECT_FALSE(setHardwareCrypto(false));
    EXPECT_EQ(setHardwareCrypto(true), cpuHas);
}

// Everything one path produces for a key, an IV and a message at given offsets, in place or
// not: both schedules, a block enciphered and deciphered, the CBC ciphertext and chaining value,
// the message deciphered again, and the digest of the message hashed in two pieces.
Bytes run(bool hardware, const Bytes& key, const Bytes& iv, const Bytes& message,
          std::size_t inOffset, std::size_t outOffset, bool inPlace, std::size_t split) {
    setHardwareCrypto(hardware);
    AesEncKeySchedule enc{};
    AesDecKeySchedule dec{};
    EXPECT_EQ(expandenckey(key.data(), enc), 0);
    EXPECT_EQ(expanddeckey(key.data(), dec), 0);
    const auto* e = reinterpret_cast<const std::uint8_t*>(enc.roundKeys);
    const auto* d = reinterpret_cast<const std::uint8_t*>(dec.roundKeys);
    Bytes all(e, e + sizeof enc.roundKeys);
    all.insert(all.end(), d, d + sizeof dec.roundKeys);
    all.insert(all.end(), {enc.roundsMarker, dec.roundsMarker});

    std::uint8_t block[32];
    EXPECT_EQ(encryptblock(iv.data(), block, enc), 0);
    EXPECT_EQ(decryptblock(block, block, dec), 0);  // back to the IV
    EXPECT_EQ(std::memcmp(block, iv.data(), 16), 0);
    EXPECT_EQ(encryptblock(key.data(), block + 16, enc), 0);
    all.insert(all.end(), block, block + 32);

    const std::size_t n = message.size() / 16 * 16;  // the digest takes every byte
    Bytes inBuffer(n + 16), outBuffer(n + 16), chain = iv;
    std::uint8_t* in = inBuffer.data() + inOffset;
    std::uint8_t* out = inPlace ? in : outBuffer.data() + outOffset;
    std::copy(message.begin(), message.begin() + n, in);
    EXPECT_EQ(cbcencrypt(in, out, n, chain.data(), enc), 0);
    all.insert(all.end(), out, out + n);
    all.insert(all.end(), chain.begin(), chain.end());
    std::copy(out, out + n, in);
    chain = iv;
    EXPECT_EQ(cbcdecrypt(in, out, n, chain.data(), dec), 0);
    EXPECT_TRUE(std::equal(out, out + n, message.begin()));
    EXPECT_TRUE(std::equal(chain.begin(), chain.end(), all.end() - 16));

    Sha256Context ctx;
    sha256init(ctx);
    sha256update(ctx, message.data(), split);
    sha256update(ctx, message.data() + split, message.size() - split);
    std::uint8_t digest[32];
    sha256final(ctx, digest);
    all.insert(all.end(), digest, digest + 32);
    return all;
}

TEST(CryptoPaths, BothPathsAgreeOnRandomInputs) {
    Restore restore;
    std::mt19937 gen(20261206);
    const auto bytes = [&](std::size_t n) {
        Bytes v(n);
        for (auto& b : v) b = std::uint8_t(gen());
        return v;
    };
    for (int trial = 0; trial < 200; ++trial) {
        const Bytes key = bytes(32), iv = bytes(16), message = bytes(gen() % 640);
        const std::size_t inOffset = gen() % 16, outOffset = gen() % 16;
        const bool inPlace = gen() % 3 == 0;
        const std::size_t split = gen() % (message.size() + 1);
        SCOPED_TRACE(testing::Message()
                     << "trial " << trial << ", " << message.size() << " bytes at " << inOffset
                     << "->" << outOffset << (inPlace ? " in place" : ""));
        ASSERT_EQ(run(false, key, iv, message, inOffset, outOffset, inPlace, split),
                  run(true, key, iv, message, inOffset, outOffset, inPlace, split));
    }
}

}  // namespace
