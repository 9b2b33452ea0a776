// SHA-256, AES-256 and CBC against the published vectors of FIPS 180-2, FIPS-197 and
// NIST SP 800-38A, and the properties the note record relies on: pieces equal one call, any
// alignment and in-place give the same bytes, rejected lengths and schedules touch nothing.
// Every case runs on the portable code and on the processor's instructions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "storage/crypto/aes.h"
#include "storage/crypto/hardware.h"
#include "storage/crypto/sha256.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string toHex(const std::uint8_t* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

std::string digestHex(const void* data, std::size_t n) {
    std::uint8_t digest[32];
    sha256(data, n, digest);
    return toHex(digest, 32);
}

std::string finalHex(Sha256Context& ctx) {
    std::uint8_t digest[32];
    sha256final(ctx, digest);
    return toHex(digest, 32);
}

// The parameter turns the instruction paths on or off (where the processor lacks them, both
// instances run the portable code).
class CryptoPath : public testing::TestWithParam<bool> {
protected:
    void SetUp() override { setHardwareCrypto(GetParam()); }
    void TearDown() override { setHardwareCrypto(true); }
};
class Sha256 : public CryptoPath {};
class Aes256 : public CryptoPath {};
class Cbc : public CryptoPath {};

std::string pathName(const testing::TestParamInfo<bool>& info) {
    return info.param ? "hardware" : "software";
}
INSTANTIATE_TEST_SUITE_P(Paths, Sha256, testing::Bool(), pathName);
INSTANTIATE_TEST_SUITE_P(Paths, Aes256, testing::Bool(), pathName);
INSTANTIATE_TEST_SUITE_P(Paths, Cbc, testing::Bool(), pathName);

// A reproducible, non-repeating byte pattern.
Bytes pattern(std::size_t n, std::uint8_t seed) {
    Bytes out(n);
    std::uint32_t x = 0x9e3779b9u * (seed + 1u);
    for (auto& b : out) {
        x = x * 1664525u + 1013904223u;
        b = std::uint8_t(x >> 24);
    }
    return out;
}

TEST_P(Sha256, PublishedVectors) {
    struct Case {
        const char* name;
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        // FIPS 180-2, appendix B.1 and B.2.
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        // The digest of the empty message.
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(digestHex(c.message.data(), c.message.size()), c.digest) << c.name;
}

TEST_P(Sha256, PaddingBoundaries) {
    // Messages of 'a' around the 55/56-byte split, where the length no longer fits the block
    // and a second padding block is needed. Reference digests from Python's hashlib.
    struct Case {
        std::size_t length;
        const char* digest;
    };
    const Case cases[] = {
        {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {57, "f13b2d724659eb3bf47f2dd6af1accc87b81f09f59f2b75e5c0bed6589dfe8c6"},
        {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
        {119, "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
        {120, "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
    };
    for (const Case& c : cases) {
        const std::string message(c.length, 'a');
        EXPECT_EQ(digestHex(message.data(), message.size()), c.digest) << c.length;
    }
}

TEST_P(Sha256, MillionAInOddPieces) {
    // FIPS 180-2, appendix B.3, fed in pieces of changing odd sizes so that the buffer is
    // filled from every offset and whole blocks also come straight from the input.
    const std::string chunk(1000, 'a');
    const std::size_t pieces[] = {1, 3, 63, 65, 127, 129, 997, 7, 55, 57};
    Sha256Context ctx;
    sha256init(ctx);
    std::size_t left = 1000000;
    for (std::size_t i = 0; left != 0; ++i) {
        std::size_t piece = pieces[i % (sizeof pieces / sizeof pieces[0])];
        if (piece > left) piece = left;
        sha256update(ctx, chunk.data(), piece);
        left -= piece;
    }
    EXPECT_EQ(finalHex(ctx), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_P(Sha256, AnySplitEqualsOneCall) {
    const Bytes data = pattern(300, 1);
    const std::string whole = digestHex(data.data(), data.size());
    for (std::size_t first = 0; first <= data.size(); ++first) {
        for (std::size_t second : {std::size_t(0), std::size_t(1), std::size_t(64)}) {
            if (first + second > data.size()) continue;
            Sha256Context ctx;
            sha256init(ctx);
            sha256update(ctx, data.data(), first);
            sha256update(ctx, data.data() + first, second);
            sha256update(ctx, data.data() + first + second, data.size() - first - second);
            ASSERT_EQ(finalHex(ctx), whole) << first << '+' << second;
        }
    }
}

TEST_P(Sha256, ByteCountCarriesIntoHighWordAndIsEncodedInFull) {
    // The context is set as if countHigh:countLow bytes had been fed (the buffered ones being
    // 0xA5 ^ i), then `feed` bytes (i * 31 + 7) follow. Reference digests from OpenSSL 3.0's
    // SHA256_Init/Update/Final with Nl/Nh, data and num set to the same state.
    struct Case {
        std::uint32_t high, low;
        std::size_t feed;
        std::uint32_t highAfter, lowAfter;
        const char* digest;
    };
    const Case cases[] = {
        {0, 0xffffffc0u, 100, 1, 0x24,
         "f4456a64333f121ba68fd2cb7653fdbccaf14ba2e1cf18efa29a546fcf58934f"},
        {0, 0xfffffff0u, 16, 1, 0,
         "34346ba27be1a8f5979c3b1cbe4d5bedf6392f4caa6bbeec54ad05b454a80a79"},
        {0x12345678u, 0xffffffffu, 1, 0x12345679u, 0,
         "9ea9601bffb0bf1ecb6aa183be0c70bf3b9827fc64e626b385121d6e1f48a412"},
        {1, 0xffffffe0u, 200, 2, 0xa8,
         "3d4a812e1f7f5257cdba084dcdbc2cb8f996dfa4e54ae4fe889d0453b9a044d4"},
        // No carry, but the bit count no longer fits 32 bits: the top three bits of the low
        // word move into the length's high word.
        {0, 0xfffffff0u, 8, 0, 0xfffffff8u,
         "68b8760e8195c6fb27448a9101261ec6559f821c7539aa932eb872434cb5678d"},
        {0, 0x20000000u, 3, 0, 0x20000003u,
         "7e01dc8587610c39966fd612fc3d5c6591a540eeb9436925b3d29500f5fbfc7c"},
    };
    for (const Case& c : cases) {
        Sha256Context ctx;
        sha256init(ctx);
        ctx.countHigh = c.high;
        ctx.countLow = c.low;
        for (std::uint32_t i = 0; i < (c.low & 63); ++i) ctx.buffer[i] = std::uint8_t(0xa5 ^ i);
        Bytes feed(c.feed);
        for (std::size_t i = 0; i < feed.size(); ++i) feed[i] = std::uint8_t(i * 31 + 7);
        sha256update(ctx, feed.data(), feed.size());
        EXPECT_EQ(ctx.countHigh, c.highAfter) << std::hex << c.high << ':' << c.low;
        EXPECT_EQ(ctx.countLow, c.lowAfter) << std::hex << c.high << ':' << c.low;
        EXPECT_EQ(finalHex(ctx), c.digest) << std::hex << c.high << ':' << c.low;
    }
}

// FIPS-197, appendix C.3.
const char kC3Key[] = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
const char kC3Plain[] = "00112233445566778899aabbccddeeff";
const char kC3Cipher[] = "8ea2b7ca516745bfeafc49904b496089";

// NIST SP 800-38A, F.2.5 (CBC-AES256.Encrypt) and F.2.6 (CBC-AES256.Decrypt).
const char kF25Key[] = "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";
const char kF25Iv[] = "000102030405060708090a0b0c0d0e0f";
const char kF25Plain[] =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
const char kF25Cipher[] =
    "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
    "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";

struct Schedules {
    AesEncKeySchedule enc;
    AesDecKeySchedule dec;
};

Schedules expand(const char* keyHex) {
    const Bytes key = fromHex(keyHex);
    Schedules s{};
    buildaestables();
    EXPECT_EQ(expandenckey(key.data(), s.enc), 0);
    EXPECT_EQ(expanddeckey(key.data(), s.dec), 0);
    EXPECT_EQ(s.enc.roundsMarker, 224);
    EXPECT_EQ(s.dec.roundsMarker, 224);
    return s;
}

TEST_P(Aes256, Fips197AppendixC3) {
    const Schedules s = expand(kC3Key);
    const Bytes plain = fromHex(kC3Plain), cipher = fromHex(kC3Cipher);
    std::uint8_t out[16];
    ASSERT_EQ(encryptblock(plain.data(), out, s.enc), 0);
    EXPECT_EQ(toHex(out, 16), kC3Cipher);
    ASSERT_EQ(decryptblock(cipher.data(), out, s.dec), 0);
    EXPECT_EQ(toHex(out, 16), kC3Plain);
}

TEST_P(Aes256, BlocksAtEveryAlignmentAndInPlace) {
    const Schedules s = expand(kC3Key);
    alignas(16) std::uint8_t storage[2 * 16 + 8];
    for (std::size_t inOffset = 0; inOffset < 4; ++inOffset) {
        for (std::size_t outOffset = 0; outOffset < 4; ++outOffset) {
            std::uint8_t* in = storage + inOffset;
            std::uint8_t* out = storage + 20 + outOffset;
            const Bytes plain = fromHex(kC3Plain);
            std::memcpy(in, plain.data(), 16);
            ASSERT_EQ(encryptblock(in, out, s.enc), 0);
            EXPECT_EQ(toHex(out, 16), kC3Cipher) << inOffset << ',' << outOffset;
            ASSERT_EQ(decryptblock(out, in, s.dec), 0);
            EXPECT_EQ(toHex(in, 16), kC3Plain) << inOffset << ',' << outOffset;
        }
        std::uint8_t* block = storage + inOffset;
        const Bytes plain = fromHex(kC3Plain);
        std::memcpy(block, plain.data(), 16);
        ASSERT_EQ(encryptblock(block, block, s.enc), 0);
        EXPECT_EQ(toHex(block, 16), kC3Cipher) << "in place at " << inOffset;
        ASSERT_EQ(decryptblock(block, block, s.dec), 0);
        EXPECT_EQ(toHex(block, 16), kC3Plain) << "in place at " << inOffset;
    }
}

TEST_P(Aes256, BlockFunctionsCheckTheRoundsMarker) {
    // A schedule that was never expanded (marker 0), or whose marker is not 10, 12 or 14 rounds
    // times 16, is refused and the output left as it was.
    struct Case {
        std::uint8_t marker;
        int result;
    };
    const Case cases[] = {{0, 1},   {16, 1},  {159, 1}, {160, 0}, {176, 1},
                          {192, 0}, {208, 1}, {224, 0}, {225, 1}, {240, 1}};
    const Schedules expanded = expand(kC3Key);
    const Bytes plain = fromHex(kC3Plain);
    for (const Case& c : cases) {
        AesEncKeySchedule enc = expanded.enc;
        AesDecKeySchedule dec = expanded.dec;
        enc.roundsMarker = c.marker;
        dec.roundsMarker = c.marker;
        std::uint8_t out[16];
        std::memset(out, 0xee, sizeof out);
        EXPECT_EQ(encryptblock(plain.data(), out, enc), c.result) << int(c.marker);
        if (c.result != 0) {
            EXPECT_EQ(toHex(out, 16), std::string(32, 'e')) << int(c.marker);
        }
        std::memset(out, 0xee, sizeof out);
        EXPECT_EQ(decryptblock(plain.data(), out, dec), c.result) << int(c.marker);
        if (c.result != 0) {
            EXPECT_EQ(toHex(out, 16), std::string(32, 'e')) << int(c.marker);
        }
    }
}

TEST_P(Cbc, Sp80038aF25AndF26) {
    const Schedules s = expand(kF25Key);
    const Bytes plain = fromHex(kF25Plain), cipher = fromHex(kF25Cipher);
    Bytes out(plain.size());

    Bytes iv = fromHex(kF25Iv);
    ASSERT_EQ(cbcencrypt(plain.data(), out.data(), out.size(), iv.data(), s.enc), 0);
    EXPECT_EQ(toHex(out.data(), out.size()), kF25Cipher);
    EXPECT_EQ(toHex(iv.data(), 16), toHex(cipher.data() + cipher.size() - 16, 16))
        << "the IV continues the chain from the last ciphertext block";

    iv = fromHex(kF25Iv);
    ASSERT_EQ(cbcdecrypt(cipher.data(), out.data(), out.size(), iv.data(), s.dec), 0);
    EXPECT_EQ(toHex(out.data(), out.size()), kF25Plain);
    EXPECT_EQ(toHex(iv.data(), 16), toHex(cipher.data() + cipher.size() - 16, 16));
}

TEST_P(Cbc, SplitCallsEqualOneCall) {
    const Schedules s = expand(kF25Key);
    const Bytes plain = pattern(160, 2);
    Bytes iv = fromHex(kF25Iv);
    Bytes whole(plain.size());
    ASSERT_EQ(cbcencrypt(plain.data(), whole.data(), whole.size(), iv.data(), s.enc), 0);

    for (std::size_t split : {std::size_t(16), std::size_t(80), std::size_t(144)}) {
        Bytes out(plain.size());
        iv = fromHex(kF25Iv);
        ASSERT_EQ(cbcencrypt(plain.data(), out.data(), split, iv.data(), s.enc), 0);
        ASSERT_EQ(cbcencrypt(plain.data() + split, out.data() + split, out.size() - split,
                             iv.data(), s.enc),
                  0);
        EXPECT_EQ(out, whole) << "encrypt split at " << split;

        iv = fromHex(kF25Iv);
        ASSERT_EQ(cbcdecrypt(whole.data(), out.data(), split, iv.data(), s.dec), 0);
        ASSERT_EQ(cbcdecrypt(whole.data() + split, out.data() + split, out.size() - split,
                             iv.data(), s.dec),
                  0);
        EXPECT_EQ(out, plain) << "decrypt split at " << split;
    }
}

TEST_P(Cbc, EveryAlignmentAndInPlaceGiveTheAlignedResult) {
    const Schedules s = expand(kF25Key);
    const std::size_t n = 176;  // an odd number of blocks
    const Bytes plain = pattern(n, 3);
    Bytes iv = fromHex(kF25Iv);
    Bytes cipher(n);
    ASSERT_EQ(cbcencrypt(plain.data(), cipher.data(), n, iv.data(), s.enc), 0);
    const Bytes ivAfter = iv;

    alignas(16) std::uint8_t inStorage[n + 4];
    alignas(16) std::uint8_t outStorage[n + 4];
    for (std::size_t inOffset = 0; inOffset < 4; ++inOffset) {
        for (std::size_t outOffset = 0; outOffset < 5; ++outOffset) {
            // outOffset 4 stands for "in place" at inOffset.
            const bool inPlace = outOffset == 4;
            std::uint8_t* in = inStorage + inOffset;
            std::uint8_t* out = inPlace ? in : outStorage + outOffset;

            std::memcpy(in, plain.data(), n);
            iv = fromHex(kF25Iv);
            ASSERT_EQ(cbcencrypt(in, out, n, iv.data(), s.enc), 0);
            EXPECT_EQ(Bytes(out, out + n), cipher) << "encrypt " << inOffset << ',' << outOffset;
            EXPECT_EQ(iv, ivAfter) << "encrypt " << inOffset << ',' << outOffset;

            std::memcpy(in, cipher.data(), n);
            iv = fromHex(kF25Iv);
            ASSERT_EQ(cbcdecrypt(in, out, n, iv.data(), s.dec), 0);
            EXPECT_EQ(Bytes(out, out + n), plain) << "decrypt " << inOffset << ',' << outOffset;
            EXPECT_EQ(iv, ivAfter) << "decrypt " << inOffset << ',' << outOffset;
        }
    }
}

TEST_P(Cbc, RejectedLengthsAndSchedulesTouchNothing) {
    const Schedules s = expand(kF25Key);
    AesEncKeySchedule neverExpanded{};
    AesDecKeySchedule neverExpandedDec{};
    struct Case {
        std::size_t n;
        bool expanded;
        int result;
    };
    // n = 0 succeeds and does nothing; a length that is not whole blocks, or a schedule that
    // was never expanded, fails before anything is written.
    const Case cases[] = {{0, true, 0},  {1, true, 1},  {15, true, 1},
                          {17, true, 1}, {47, true, 1}, {32, false, 1}};
    const Bytes input = pattern(48, 4);
    const Bytes ivStart = fromHex(kF25Iv);
    for (const Case& c : cases) {
        Bytes out(48, 0xee);
        Bytes iv = ivStart;
        EXPECT_EQ(cbcencrypt(input.data(), out.data(), c.n, iv.data(),
                             c.expanded ? s.enc : neverExpanded),
                  c.result)
            << c.n;
        EXPECT_EQ(out, Bytes(48, 0xee)) << "encrypt " << c.n;
        EXPECT_EQ(iv, ivStart) << "encrypt " << c.n;

        iv = ivStart;
        EXPECT_EQ(cbcdecrypt(input.data(), out.data(), c.n, iv.data(),
                             c.expanded ? s.dec : neverExpandedDec),
                  c.result)
            << c.n;
        EXPECT_EQ(out, Bytes(48, 0xee)) << "decrypt " << c.n;
        EXPECT_EQ(iv, ivStart) << "decrypt " << c.n;
    }
}

}  // namespace
