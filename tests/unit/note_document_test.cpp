#include <gtest/gtest.h>

#include <cstring>

#include "storage/crypto/aes.h"
#include "storage/crypto/sha256.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "test_files.h"

namespace {

// A record made straight from the primitives, as any reader of the format would make it: the
// document must produce and accept exactly this layout.
Bytes referenceRecord(const std::string& text, const char* passphrase, const std::uint8_t iv[16],
                      std::uint32_t flags, std::int32_t width, std::int32_t height) {
    std::uint8_t key[32];
    sha256(passphrase, std::strlen(passphrase), key);
    const std::size_t m = (text.size() + 15) / 16 * 16;
    Bytes payload(m, 0);
    std::memcpy(payload.data(), text.data(), text.size());
    AesEncKeySchedule ks;
    buildaestables();
    expandenckey(key, ks);
    std::uint8_t chain[16];
    std::memcpy(chain, iv, 16);
    cbcencrypt(payload.data(), payload.data(), m, chain, ks);

    Bytes digestInput(text.begin(), text.end());
    digestInput.insert(digestInput.end(), iv, iv + 16);
    std::uint8_t digest[32];
    sha256(digestInput.data(), digestInput.size(), digest);

    Bytes r;
    auto put32 = [&r](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) r.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    r.insert(r.end(), {'Q', 'U', 'i', 'L', 'L', 'X', '*', '2'});
    r.insert(r.end(), digest, digest + 32);
    r.insert(r.end(), iv, iv + 16);
    put32(static_cast<std::uint32_t>(m));
    put32(static_cast<std::uint32_t>(text.size()));
    put32(flags);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    r.insert(r.end(), payload.begin(), payload.end());
    return r;
}

Bytes sealed(const std::string& text, const char* passphrase) {
    NoteDocument doc;
    doc.setkey(passphrase);
    doc.settext(text);
    Bytes record;
    doc.buildrecord(record);
    return record;
}

TEST(NoteRecord, HeaderIsSeventySixBytesFieldByField) {
    NoteHeader h{};
    std::memcpy(h.magic, "QUiLLX*2", 8);
    h.payload_length = 0x01020304;
    h.flags = 0x80000003;
    h.window_width = -2;
    h.window_height = 700;
    std::uint8_t out[76];
    h.store(out);
    EXPECT_EQ(0, std::memcmp(out, "QUiLLX*2", 8));
    EXPECT_EQ((Bytes{4, 3, 2, 1}), Bytes(out + 56, out + 60));
    EXPECT_EQ((Bytes{3, 0, 0, 0x80}), Bytes(out + 64, out + 68));
    EXPECT_EQ((Bytes{0xFE, 0xFF, 0xFF, 0xFF}), Bytes(out + 68, out + 72));
    EXPECT_EQ((Bytes{0xBC, 0x02, 0, 0}), Bytes(out + 72, out + 76));
    NoteHeader back{};
    back.loadFrom(out);
    EXPECT_EQ(0, std::memcmp(&h, &back, sizeof h));
}

TEST(NoteRecord, RoundTripsTextsOfEverySize) {
    std::string big(4 * 1024 * 1024, 'x');
    for (std::size_t i = 0; i < big.size(); i += 97) big[i] = '\0';
    for (std::size_t i = 50; i + 1 < big.size(); i += 1003) big.replace(i, 2, "\r\n");
    const struct {
        std::string text;
        std::uint32_t payload;
    } cases[] = {{"", 0}, {"a", 16}, {std::string(15, 'b'), 16}, {std::string(16, 'c'), 16},
                 {std::string(17, 'd'), 32}, {big, static_cast<std::uint32_t>(big.size())}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.size());
        const Bytes record = sealed(c.text, "pass phrase");
        EXPECT_EQ(76u + c.payload, record.size());

        NoteDocument doc;
        ASSERT_TRUE(doc.parserecord(record));
        EXPECT_EQ(c.payload, doc.header.payload_length);
        EXPECT_EQ(c.text.size(), doc.header.text_length);
        EXPECT_FALSE(doc.verifykey()) << "no key set yet";
        doc.setkey("pass phrase");
        EXPECT_TRUE(doc.verifykey());
        std::string out;
        ASSERT_TRUE(doc.gettext(out));
        EXPECT_TRUE(out == c.text);
    }
}

TEST(NoteRecord, MatchesARecordBuiltFromThePrimitives) {
    const std::uint8_t iv[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 254};
    const std::string text = "Line one\r\nLine two\r\n\xE9t\xE9";
    const Bytes reference = referenceRecord(text, "Correct Horse", iv, 0x10 | NOTE_READONLY, 640, 480);

    NoteDocument doc;
    ASSERT_TRUE(doc.parserecord(reference));
    doc.setkey("Correct Horse");
    std::string out;
    ASSERT_TRUE(doc.gettext(out));
    EXPECT_EQ(text, out);
    EXPECT_EQ(0x10u | NOTE_READONLY, doc.header.flags);
    EXPECT_EQ(640, doc.header.window_width);
    Bytes rebuilt;
    doc.buildrecord(rebuilt);
    EXPECT_EQ(reference, rebuilt);

}

TEST(NoteRecord, EverySaveDrawsAFreshIvFromZeroTo254) {
    NoteDocument doc;
    doc.setkey("k");
    Bytes previousIv, previousPayload, previousDigest;
    int seen255 = 0;
    for (int i = 0; i < 200; ++i) {
        doc.settext("the same text");
        Bytes iv(doc.header.iv, doc.header.iv + 16);
        Bytes digest(doc.header.digest, doc.header.digest + 32);
        for (auto b : iv) seen255 += b == 255;
        EXPECT_NE(previousIv, iv);
        EXPECT_NE(previousPayload, doc.payload);
        EXPECT_NE(previousDigest, digest);
        previousIv = iv;
        previousPayload = doc.payload;
        previousDigest = digest;
    }
    EXPECT_EQ(0, seen255);
}

TEST(NoteRecord, WrongPassphrasesAreRefused) {
    const Bytes record = sealed("secret", "Open Sesame");
    for (const char* wrong : {"open sesame", "Open Sesame ", "Open Sesam", "", "OPEN SESAME"}) {
        SCOPED_TRACE(wrong);
        NoteDocument doc;
        ASSERT_TRUE(doc.parserecord(record));
        doc.setkey(wrong);
        EXPECT_FALSE(doc.verifykey());
        std::string out = "untouched";
        EXPECT_FALSE(doc.gettext(out));
        EXPECT_EQ("untouched", out);
    }
}

TEST(NoteRecord, EmptyPassphraseKeysWithTheDigestOfNothing) {
    NoteDocument doc;
    doc.setkey("");
    const std::uint8_t emptyDigest[32] = {0xe3, 0xb0, 0xc4, 0x42, 0x98, 0xfc, 0x1c, 0x14, 0x9a, 0xfb, 0xf4,
                                          0xc8, 0x99, 0x6f, 0xb9, 0x24, 0x27, 0xae, 0x41, 0xe4, 0x64, 0x9b,
                                          0x93, 0x4c, 0xa4, 0x95, 0x99, 0x1b, 0x78, 0x52, 0xb8, 0x55};
    EXPECT_EQ(0, std::memcmp(emptyDigest, doc.key.data(), 32));
    doc.settext("x");
    EXPECT_TRUE(doc.verifykey());
}

TEST(NoteRecord, ChangePassphraseReencryptsOrOnlySetsTheKey) {
    NoteDocument doc;
    doc.setkey("old");
    doc.settext("keep me");
    doc.changepassphrase("new");
    Bytes record;
    doc.buildrecord(record);
    NoteDocument reader;
    ASSERT_TRUE(reader.parserecord(record));
    reader.setkey("old");
    EXPECT_FALSE(reader.verifykey());
    reader.setkey("new");
    std::string out;
    ASSERT_TRUE(reader.gettext(out));
    EXPECT_EQ("keep me", out);

    NoteDocument blank;
    blank.changepassphrase("first");
    EXPECT_TRUE(blank.key_set);
    EXPECT_TRUE(blank.payload.empty());
    std::uint8_t expected[32];
    sha256("first", 5, expected);
    EXPECT_EQ(0, std::memcmp(expected, blank.key.data(), 32));
}

TEST(NoteRecord, ClearKeepsKeyIvAndFlags) {
    NoteDocument doc;
    doc.setkey("k");
    doc.settext("text");
    doc.path = "somewhere";
    doc.header.flags = NOTE_READONLY | 0x100;
    Bytes iv(doc.header.iv, doc.header.iv + 16);
    auto key = doc.key;
    doc.clear();
    EXPECT_TRUE(doc.path.empty());
    EXPECT_TRUE(doc.payload.empty());
    EXPECT_EQ(0u, doc.header.payload_length);
    EXPECT_EQ(0u, doc.header.text_length);
    EXPECT_EQ(Bytes(32, 0), Bytes(doc.header.digest, doc.header.digest + 32));
    EXPECT_EQ(iv, Bytes(doc.header.iv, doc.header.iv + 16));
    EXPECT_EQ(NOTE_READONLY | 0x100u, doc.header.flags);
    EXPECT_TRUE(doc.key_set);
    EXPECT_EQ(key, doc.key);
}

void putLE32(Bytes& r, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) r.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(NoteRecord, DamagedRecordsDoNotParseAndLeaveTheDocumentAlone) {
    const Bytes good = sealed("seventeen bytes!!", "k");  // payload 32
    struct Case {
        const char* name;
        Bytes record;
    };
    std::vector<Case> cases;
    cases.push_back({"short", Bytes(good.begin(), good.begin() + 75)});
    Bytes magic = good;
    magic[7] = '3';
    cases.push_back({"other magic", magic});
    Bytes trailing = good;
    trailing.push_back(0);
    cases.push_back({"a trailing byte", trailing});
    cases.push_back({"payload cut short", Bytes(good.begin(), good.end() - 16)});
    Bytes textTooLong = good;
    putLE32(textTooLong, 60, 33);
    cases.push_back({"text longer than payload", textTooLong});
    Bytes noText = good;
    putLE32(noText, 60, 0);
    cases.push_back({"payload without text", noText});
    Bytes emptyWithDigest(good.begin(), good.begin() + 76);
    putLE32(emptyWithDigest, 56, 0);
    putLE32(emptyWithDigest, 60, 0);
    cases.push_back({"empty note with a digest", emptyWithDigest});
    cases.push_back({"nothing", Bytes{}});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NoteDocument doc;
        doc.setkey("k");
        doc.settext("before");
        Bytes before;
        doc.buildrecord(before);
        EXPECT_FALSE(doc.parserecord(c.record));
        Bytes after;
        doc.buildrecord(after);
        EXPECT_EQ(before, after);
    }
}

TEST(NoteRecord, PayloadOfPartialBlocksFailsEveryPassphrase) {
    Bytes record = sealed("seventeen bytes!!", "k");
    record.resize(76 + 24);
    putLE32(record, 56, 24);
    NoteDocument doc;
    ASSERT_TRUE(doc.parserecord(record));
    for (const char* pass : {"k", "", "other"}) {
        doc.setkey(pass);
        EXPECT_FALSE(doc.verifykey()) << pass;
    }
}

TEST(NoteRecord, AHeaderOnlyRecordWithZeroDigestIsAnEmptyNote) {
    Bytes record = sealed("", "k");
    ASSERT_EQ(76u, record.size());
    NoteDocument doc;
    ASSERT_TRUE(doc.parserecord(record));
    EXPECT_FALSE(doc.verifykey());
    doc.setkey("anything at all");
    EXPECT_TRUE(doc.verifykey());
    std::string out = "x";
    ASSERT_TRUE(doc.gettext(out));
    EXPECT_TRUE(out.empty());
}

TEST(NoteLoad, ReadsNoteExecutablesAndRecordFiles) {
    ScratchDir dir;
    const Bytes record = sealed("hello", "pw");
    Bytes image = patternBytes(3000, 11);
    Bytes note = image;
    note.insert(note.end(), record.begin(), record.end());
    const Bytes trailer = {0xEF, 0xBE, 0xAD, 0xDE, static_cast<std::uint8_t>(record.size()), 0, 0, 0};
    note.insert(note.end(), trailer.begin(), trailer.end());
    writeFile(dir / "note.exe", note);
    writeFile(dir / "record.qx", record);
    Bytes recordWithTrailer = record;
    recordWithTrailer.insert(recordWithTrailer.end(), trailer.begin(), trailer.end());
    writeFile(dir / "both.qx", recordWithTrailer);
    writeFile(dir / "empty", Bytes{});
    writeFile(dir / "plain.exe", image);

    for (const char* name : {"note.exe", "record.qx"}) {
        NoteDocument doc;
        ASSERT_TRUE(doc.load(dir / name)) << name;
        EXPECT_EQ(dir / name, doc.path);
        doc.setkey("pw");
        std::string out;
        ASSERT_TRUE(doc.gettext(out));
        EXPECT_EQ("hello", out);
    }
    for (const char* name : {"both.qx", "empty", "plain.exe", "missing"}) {
        NoteDocument doc;
        EXPECT_FALSE(doc.load(dir / name)) << name;
        EXPECT_TRUE(doc.path.empty());
    }

    Bytes lying = note;
    lying[lying.size() - 4] = 0xFF;
    lying[lying.size() - 3] = 0xFF;
    writeFile(dir / "lying.exe", lying);
    NoteDocument doc;
    EXPECT_THROW(doc.load(dir / "lying.exe"), FileEndData::FEDError);
}

}  // namespace
