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

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

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

// Everything one path produces for a key, an IV and a message at given offsets.
struct Outcome {
    AesEncKeySchedule enc;
    AesDecKeySchedule dec;
    Bytes block, cipher, ivAfter, plain;
    std::uint8_t digest[32];
};

Outcome run(bool hardware, const Bytes& key, const Bytes& iv, const Bytes& message,
            std::size_t inOffset, std::size_t outOffset, bool inPlace, std::size_t split) {
    setHardwareCrypto(hardware);
    Outcome o{};
    EXPECT_EQ(expandenckey(key.data(), o.enc), 0);
    EXPECT_EQ(expanddeckey(key.data(), o.dec), 0);
    o.block.resize(16);
    EXPECT_EQ(encryptblock(iv.data(), o.block.data(), o.enc), 0);
    EXPECT_EQ(decryptblock(o.block.data(), o.block.data(), o.dec), 0);  // back to the IV
    o.block.insert(o.block.end(), o.block.begin(), o.block.end());
    EXPECT_EQ(encryptblock(key.data(), o.block.data() + 16, o.enc), 0);

    const std::size_t n = message.size() / 16 * 16;  // the digest takes every byte
    Bytes inBuffer(n + 16), outBuffer(n + 16), chain = iv;
    std::uint8_t* in = inBuffer.data() + inOffset;
    std::uint8_t* out = inPlace ? in : outBuffer.data() + outOffset;
    std::copy(message.begin(), message.begin() + n, in);
    EXPECT_EQ(cbcencrypt(in, out, n, chain.data(), o.enc), 0);
    o.cipher.assign(out, out + n);
    o.ivAfter = chain;
    chain = iv;
    std::copy(o.cipher.begin(), o.cipher.end(), in);
    EXPECT_EQ(cbcdecrypt(in, out, n, chain.data(), o.dec), 0);
    o.plain.assign(out, out + n);
    EXPECT_EQ(chain, o.ivAfter);
    o.plain.insert(o.plain.end(), message.begin() + n, message.end());

    Sha256Context ctx;
    sha256init(ctx);
    sha256update(ctx, message.data(), split);
    sha256update(ctx, message.data() + split, message.size() - split);
    sha256final(ctx, o.digest);
    return o;
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
        const Outcome sw = run(false, key, iv, message, inOffset, outOffset, inPlace, split);
        const Outcome hw = run(true, key, iv, message, inOffset, outOffset, inPlace, split);
        SCOPED_TRACE(testing::Message()
                     << "trial " << trial << ", " << message.size() << " bytes at " << inOffset
                     << "->" << outOffset << (inPlace ? " in place" : ""));
        ASSERT_EQ(std::memcmp(sw.enc.roundKeys, hw.enc.roundKeys, sizeof sw.enc.roundKeys), 0);
        ASSERT_EQ(std::memcmp(sw.dec.roundKeys, hw.dec.roundKeys, sizeof sw.dec.roundKeys), 0);
        ASSERT_EQ(sw.enc.roundsMarker, hw.enc.roundsMarker);
        ASSERT_EQ(sw.dec.roundsMarker, hw.dec.roundsMarker);
        ASSERT_EQ(sw.block, hw.block);
        ASSERT_EQ(std::memcmp(sw.block.data(), iv.data(), 16), 0);
        ASSERT_EQ(sw.cipher, hw.cipher);
        ASSERT_EQ(sw.ivAfter, hw.ivAfter);
        ASSERT_EQ(sw.plain, message);
        ASSERT_EQ(hw.plain, message);
        ASSERT_EQ(std::memcmp(sw.digest, hw.digest, 32), 0);
    }
}

}  // namespace
