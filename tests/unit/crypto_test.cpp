// SHA-256, AES-256 and CBC against published vectors and what the note record relies on, each
// case on the portable code and on the processor's instructions.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "storage/crypto/aes.h"
#include "storage/crypto/hardware.h"
#include "storage/crypto/sha256.h"
#include "test_files.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

Bytes fromHex(const String& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

Bytes finalDigest(Sha256Context& ctx) {
    Bytes digest(32);
    sha256Final(ctx, digest.data());
    return digest;
}

// Where the processor lacks the instructions, both instances run the portable code.
class Crypto : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { setHardwareCrypto(GetParam()); }
    void TearDown() override { setHardwareCrypto(true); }
};
INSTANTIATE_TEST_SUITE_P(Paths, Crypto, testing::Bool(),
                         [](const auto& info) { return info.param ? "hardware" : "software"; });

// Without this, a switch that never selects the instructions would run the portable code twice.
TEST(CryptoSwitch, FollowsTheProcessor) {
    bool cpuHas = false;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a, b, c, d;
    cpuHas = (__get_cpuid(1, &a, &b, &c, &d) && (c & bit_AES)) ||
             (__get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_SHA));
#endif
    EXPECT_FALSE(setHardwareCrypto(false));
    EXPECT_EQ(setHardwareCrypto(true), cpuHas);
}

TEST_P(Crypto, Sha256PublishedVectorsAndPaddingBoundaries) {
    // FIPS 180-2 B.1 and B.2, the empty message, and runs of 'a' around the 55/56-byte split
    // where the length needs a second padding block (reference digests from Python's hashlib).
    const auto A = [](std::size_t n) { return String(n, 'a'); };
    const struct {
        String message;
        const char* digest;
    } cases[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {A(55), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {A(56), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {A(63), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {A(64), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {A(65), "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
    };
    for (const auto& c : cases) {
        Bytes digest(32);
        sha256(c.message.data(), c.message.size(), digest.data());
        EXPECT_EQ(digest, fromHex(c.digest)) << c.message.size();
    }
    // FIPS 180-2 B.3, fed in pieces of changing odd sizes so that the buffer is filled from
    // every offset and whole blocks also come straight from the input.
    const String chunk(1000, 'a');
    const std::size_t pieces[] = {1, 3, 63, 65, 127, 129, 997, 7, 55, 57};
    Sha256Context ctx;
    sha256Init(ctx);
    for (std::size_t i = 0, left = 1000000; left != 0; ++i) {
        const std::size_t piece = std::min(pieces[i % 10], left);
        sha256Update(ctx, chunk.data(), piece);
        left -= piece;
    }
    EXPECT_EQ(finalDigest(ctx),
              fromHex("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"));
}

TEST_P(Crypto, Sha256ByteCountCarriesIntoHighWordAndIsEncodedInFull) {
    // As if countHigh:countLow bytes had been fed (the buffered ones 0xA5 ^ i), then `feed` more;
    // digests from OpenSSL 3.0 in the same state. The last two overflow only the bit count.
    const struct {
        std::uint32_t high, low;
        std::size_t feed;
        std::uint32_t highAfter, lowAfter;
        const char* digest;
    } cases[] = {
        {0, 0xffffffc0u, 100, 1, 0x24,
         "f4456a64333f121ba68fd2cb7653fdbccaf14ba2e1cf18efa29a546fcf58934f"},
        {0x12345678u, 0xffffffffu, 1, 0x12345679u, 0,
         "9ea9601bffb0bf1ecb6aa183be0c70bf3b9827fc64e626b385121d6e1f48a412"},
        {1, 0xffffffe0u, 200, 2, 0xa8,
         "3d4a812e1f7f5257cdba084dcdbc2cb8f996dfa4e54ae4fe889d0453b9a044d4"},
        {0, 0xfffffff0u, 8, 0, 0xfffffff8u,
         "68b8760e8195c6fb27448a9101261ec6559f821c7539aa932eb872434cb5678d"},
        {0, 0x20000000u, 3, 0, 0x20000003u,
         "7e01dc8587610c39966fd612fc3d5c6591a540eeb9436925b3d29500f5fbfc7c"},
    };
    for (const auto& c : cases) {
        Sha256Context ctx;
        sha256Init(ctx);
        ctx.countHigh = c.high;
        ctx.countLow = c.low;
        for (std::uint32_t i = 0; i < (c.low & 63); ++i) ctx.buffer[i] = std::uint8_t(0xa5 ^ i);
        Bytes feed(c.feed);
        for (std::size_t i = 0; i < feed.size(); ++i) feed[i] = std::uint8_t(i * 31 + 7);
        sha256Update(ctx, feed.data(), feed.size());
        SCOPED_TRACE(testing::Message() << std::hex << c.high << ':' << c.low);
        EXPECT_EQ(ctx.countHigh, c.highAfter);
        EXPECT_EQ(ctx.countLow, c.lowAfter);
        EXPECT_EQ(finalDigest(ctx), fromHex(c.digest));
    }
}

struct Schedules {
    AesEncKeySchedule enc;
    AesDecKeySchedule dec;
};

Schedules expand(const Bytes& key) {
    Schedules s{};
    buildAesTables();
    expandEncKey(key.data(), s.enc);
    expandDecKey(key.data(), s.dec);
    return s;
}

// FIPS-197 C.3, then NIST SP 800-38A F.2.5/F.2.6, whose chaining value out of one call is the IV
// of the next. CBC's offsets and in place are walked by the random cross-check below.
TEST_P(Crypto, AesBlockAndCbcVectors) {
    Schedules s =
        expand(fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"));
    const Bytes plain = fromHex("00112233445566778899aabbccddeeff");
    const Bytes cipher = fromHex("8ea2b7ca516745bfeafc49904b496089");
    Bytes block = plain, out(16);
    encryptBlock(block.data(), out.data(), s.enc);
    EXPECT_EQ(out, cipher);
    encryptBlock(block.data(), block.data(), s.enc);
    EXPECT_EQ(block, cipher);
    decryptBlock(block.data(), block.data(), s.dec);
    EXPECT_EQ(block, plain);
    // Unaligned, and in place.
    Bytes odd(17);
    encryptBlock(block.data(), odd.data() + 1, s.enc);
    EXPECT_EQ(Bytes(odd.begin() + 1, odd.end()), cipher);
    decryptBlock(odd.data() + 1, odd.data() + 1, s.dec);
    EXPECT_EQ(Bytes(odd.begin() + 1, odd.end()), plain);

    s = expand(fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4"));
    const Bytes ivStart = fromHex("000102030405060708090a0b0c0d0e0f");
    const Bytes chainPlain = fromHex(
        "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
        "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    const Bytes chainCipher = fromHex(
        "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
        "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");
    const Bytes lastBlock(chainCipher.end() - 16, chainCipher.end());
    Bytes iv = ivStart;
    out.resize(chainPlain.size());
    ASSERT_TRUE(cbcEncrypt(chainPlain.data(), out.data(), out.size(), iv.data(), s.enc));
    EXPECT_EQ(out, chainCipher);
    EXPECT_EQ(iv, lastBlock);
    iv = ivStart;
    ASSERT_TRUE(cbcDecrypt(chainCipher.data(), out.data(), out.size(), iv.data(), s.dec));
    EXPECT_EQ(out, chainPlain);
    EXPECT_EQ(iv, lastBlock);
}

TEST_P(Crypto, CbcRefusesPartialBlocksAndTouchesNothing) {
    // A length not in whole blocks is refused before anything is written; n = 0 does nothing.
    const Schedules s = expand(patternBytes(32, 3));
    const struct {
        std::size_t n;
        bool done;
    } cases[] = {{0, true}, {1, false}, {15, false}, {17, false}, {47, false}, {32, true}};
    const Bytes input = patternBytes(48, 4), ivStart = patternBytes(16, 5);
    for (const auto& c : cases) {
        for (bool decrypt : {false, true}) {
            SCOPED_TRACE(testing::Message() << (decrypt ? "decrypt" : "encrypt") << ", n " << c.n);
            Bytes out(48, 0xee), iv = ivStart;
            EXPECT_EQ(decrypt ? cbcDecrypt(input.data(), out.data(), c.n, iv.data(), s.dec)
                              : cbcEncrypt(input.data(), out.data(), c.n, iv.data(), s.enc),
                      c.done);
            if (!c.done || c.n == 0) {
                EXPECT_EQ(out, Bytes(48, 0xee));
                EXPECT_EQ(iv, ivStart);
            }
        }
    }
}

// Both paths give the same schedules, CBC output, chaining value and digest for random keys, IVs,
// lengths and buffer offsets, in place or not (the vectors above are all aligned and short).
TEST(CryptoSwitch, BothPathsAgreeOnRandomInputs) {
    std::mt19937 gen(20261206);
    for (int trial = 0; trial < 200; ++trial) {
        const Bytes key = patternBytes(32, gen()), iv = patternBytes(16, gen());
        const Bytes message = patternBytes(gen() % 640, trial);
        const std::size_t n = message.size() / 16 * 16, split = gen() % (message.size() + 1);
        const std::size_t inAt = gen() % 16, outAt = gen() % 3 == 0 ? inAt : gen() % 16;
        Bytes results[2];
        for (bool hardware : {false, true}) {
            setHardwareCrypto(hardware);
            Schedules s;
            std::memset(&s, 0, sizeof s);  // the padding too: it is compared
            expandEncKey(key.data(), s.enc);
            expandDecKey(key.data(), s.dec);
            Bytes& all = results[hardware];
            const auto* schedules = reinterpret_cast<const std::uint8_t*>(&s);
            all.assign(schedules, sizeof s);
            Bytes inBuffer(n + 16), outBuffer(n + 16), chain = iv;
            std::uint8_t* in = inBuffer.data() + inAt;
            std::uint8_t* out = outAt == inAt ? in : outBuffer.data() + outAt;
            std::copy(message.begin(), message.begin() + n, in);
            EXPECT_TRUE(cbcEncrypt(in, out, n, chain.data(), s.enc));
            all.insert(all.end(), out, out + n);
            all.insert(all.end(), chain.begin(), chain.end());
            chain = iv;
            std::memmove(in, out, n);
            EXPECT_TRUE(cbcDecrypt(in, out, n, chain.data(), s.dec));
            EXPECT_TRUE(std::equal(out, out + n, message.begin())) << trial;
            Sha256Context ctx;
            sha256Init(ctx);
            sha256Update(ctx, message.data(), split);
            sha256Update(ctx, message.data() + split, message.size() - split);
            const Bytes digest = finalDigest(ctx);
            all.insert(all.end(), digest.begin(), digest.end());
        }
        setHardwareCrypto(true);
        ASSERT_EQ(results[0], results[1])
            << "trial " << trial << ", " << message.size() << " bytes at " << inAt << "->" << outAt;
    }
}

}  // namespace
