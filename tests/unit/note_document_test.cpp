#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "storage/crypto/aes.h"
#include "storage/crypto/sha256.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "test_files.h"

namespace {

void putLE32(Bytes& r, std::size_t at, std::uint32_t v) {
    r.resize(std::max(r.size(), at + 4));
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A record made straight from the primitives, as any reader of the format would make it: the
// document must produce and accept exactly this layout.
Bytes referenceRecord(const std::string& text, const char* passphrase, const std::uint8_t iv[16],
                      std::uint32_t flags, std::int32_t width, std::int32_t height) {
    std::uint8_t key[32], digest[32], chain[16];
    sha256(passphrase, std::strlen(passphrase), key);
    const std::size_t m = (text.size() + 15) / 16 * 16;
    Bytes payload(m, 0);
    std::memcpy(payload.data(), text.data(), text.size());
    AesEncKeySchedule ks;
    buildaestables();
    expandenckey(key, ks);
    std::memcpy(chain, iv, 16);
    cbcencrypt(payload.data(), payload.data(), m, chain, ks);
    Bytes digestInput(text.begin(), text.end());
    digestInput.insert(digestInput.end(), iv, iv + 16);
    sha256(digestInput.data(), digestInput.size(), digest);

    const char magic[] = "QUiLLX*2";
    Bytes r;
    r.reserve(76 + m);
    r.insert(r.end(), magic, magic + 8);
    r.insert(r.end(), digest, digest + 32);
    r.insert(r.end(), iv, iv + 16);
    for (std::uint32_t v : {std::uint32_t(m), std::uint32_t(text.size()), flags,
                            std::uint32_t(width), std::uint32_t(height)})
        putLE32(r, r.size(), v);
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

TEST(NoteRecord, MatchesARecordBuiltFromThePrimitives) {
    const std::uint8_t iv[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 254};
    const std::string text = "Line one\r\nLine two\r\n\xE9t\xE9";
    const Bytes reference =
        referenceRecord(text, "Correct Horse", iv, 0x80000010u | NOTE_READONLY, -2, 700);

    NoteDocument doc;
    ASSERT_TRUE(doc.parserecord(reference));
    EXPECT_EQ(0x80000010u | NOTE_READONLY, doc.header.flags);
    EXPECT_EQ(-2, doc.header.window_width);
    EXPECT_EQ(700, doc.header.window_height);
    EXPECT_FALSE(doc.verifykey()) << "no key set yet";
    doc.setkey("Correct Horse");
    std::string out;
    ASSERT_TRUE(doc.gettext(out));
    EXPECT_EQ(text, out);
    Bytes rebuilt;
    doc.buildrecord(rebuilt);
    EXPECT_EQ(reference, rebuilt);
}

TEST(NoteRecord, RoundTripsTextsOfEverySizeUnderAFreshIvEachTime) {
    std::string big(100003, 'x');
    for (std::size_t i = 0; i < big.size(); i += 97) big[i] = '\0';
    const struct {
        std::string text;
        std::uint32_t payload;
    } cases[] = {{"a", 16},
                 {std::string(15, 'b'), 16},
                 {std::string(16, 'c'), 16},
                 {std::string(17, 'd'), 32},
                 {big, 100016}};
    for (const auto& c : cases) {
        const Bytes record = sealed(c.text, "pass phrase");
        EXPECT_EQ(76u + c.payload, record.size()) << c.text.size();
        NoteDocument doc;
        ASSERT_TRUE(doc.parserecord(record));
        doc.setkey("pass phrase");
        std::string out;
        ASSERT_TRUE(doc.gettext(out));
        EXPECT_TRUE(out == c.text) << c.text.size();
    }

    // Every save draws a new IV of bytes 0..254, so the same text never gives the same record.
    NoteDocument doc;
    doc.setkey("k");
    Bytes previousIv, previousPayload;
    int seen255 = 0;
    for (int i = 0; i < 100; ++i) {
        doc.settext("the same text");
        Bytes iv(doc.header.iv, doc.header.iv + 16);
        for (auto b : iv) seen255 += b == 255;
        EXPECT_NE(previousIv, iv);
        EXPECT_NE(previousPayload, doc.payload);
        previousIv = iv;
        previousPayload = doc.payload;
    }
    EXPECT_EQ(0, seen255);
}

TEST(NoteRecord, WrongPassphrasesAreRefusedAndNothingIsWritten) {
    const Bytes record = sealed("secret", "Open Sesame");
    for (const char* wrong : {"open sesame", "Open Sesame ", "Open Sesam", ""}) {
        NoteDocument doc;
        ASSERT_TRUE(doc.parserecord(record));
        doc.setkey(wrong);
        EXPECT_FALSE(doc.verifykey()) << wrong;
        std::string out = "untouched";
        EXPECT_FALSE(doc.gettext(out));
        EXPECT_EQ("untouched", out);
    }
}

TEST(NoteRecord, ChangePassphraseReencryptsOrOnlySetsTheKeyAndClearKeepsKeyIvAndFlags) {
    NoteDocument doc;
    doc.setkey("old");
    doc.settext("keep me");
    doc.changepassphrase("new");
    NoteDocument reader;
    Bytes record;
    doc.buildrecord(record);
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

    doc.path = "somewhere";
    doc.header.flags = NOTE_READONLY | 0x100;
    const Bytes iv(doc.header.iv, doc.header.iv + 16);
    const auto key = doc.key;
    doc.clear();
    EXPECT_TRUE(doc.path.empty());
    EXPECT_TRUE(doc.payload.empty());
    EXPECT_EQ(0u, doc.header.payload_length + doc.header.text_length);
    EXPECT_EQ(Bytes(32, 0), Bytes(doc.header.digest, doc.header.digest + 32));
    EXPECT_EQ(iv, Bytes(doc.header.iv, doc.header.iv + 16));
    EXPECT_EQ(NOTE_READONLY | 0x100u, doc.header.flags);
    EXPECT_TRUE(doc.key_set);
    EXPECT_EQ(key, doc.key);
}

TEST(NoteRecord, DamagedRecordsDoNotParseAndLeaveTheDocumentAlone) {
    const Bytes good = sealed("seventeen bytes!!", "k");  // payload 32
    // The good record cut or grown to `size` bytes, with 32-bit fields replaced.
    auto with = [&good](std::size_t size,
                        std::initializer_list<std::pair<int, std::uint32_t>> fields) {
        Bytes r = good;
        r.resize(size);
        for (auto [at, v] : fields) putLE32(r, at, v);
        return r;
    };
    const struct {
        const char* name;
        Bytes record;
    } cases[] = {
        {"short", with(75, {})},
        {"other magic", with(good.size(), {{4, 0x332A584C}})},
        {"a trailing byte", with(good.size() + 1, {})},
        {"payload cut short", with(good.size() - 16, {})},
        {"text longer than payload", with(good.size(), {{60, 33}})},
        {"payload without text", with(good.size(), {{60, 0}})},
        {"empty note with a digest", with(76, {{56, 0}, {60, 0}})},
        {"nothing", Bytes{}},
    };
    for (const auto& c : cases) {
        NoteDocument doc;
        doc.setkey("k");
        doc.settext("before");
        Bytes before, after;
        doc.buildrecord(before);
        EXPECT_FALSE(doc.parserecord(c.record)) << c.name;
        doc.buildrecord(after);
        EXPECT_EQ(before, after) << c.name;
    }
}

TEST(NoteRecord, PartialBlocksFailEveryPassphraseAndAnEmptyNoteOpensWithAny) {
    Bytes record = sealed("seventeen bytes!!", "k");
    record.resize(76 + 24);
    putLE32(record, 56, 24);
    NoteDocument doc;
    ASSERT_TRUE(doc.parserecord(record));
    for (const char* pass : {"k", "", "other"}) {
        doc.setkey(pass);
        EXPECT_FALSE(doc.verifykey()) << pass;
    }

    record = sealed("", "k");
    ASSERT_EQ(76u, record.size());
    ASSERT_TRUE(doc.parserecord(record));
    doc.setkey("anything at all");
    EXPECT_TRUE(doc.verifykey());
    std::string out = "x";
    ASSERT_TRUE(doc.gettext(out));
    EXPECT_TRUE(out.empty());
}

TEST(NoteLoad, ReadsNoteExecutablesAndRecordFiles) {
    ScratchDir dir;
    const Bytes record = sealed("hello", "pw");
    const Bytes image = patternBytes(3000, 11);
    Bytes trailer = {0xEF, 0xBE, 0xAD, 0xDE};
    putLE32(trailer, 4, static_cast<std::uint32_t>(record.size()));
    Bytes note = image, recordWithTrailer = record;
    note.insert(note.end(), record.begin(), record.end());
    note.insert(note.end(), trailer.begin(), trailer.end());
    recordWithTrailer.insert(recordWithTrailer.end(), trailer.begin(), trailer.end());
    writeFile(dir / "note.exe", note);
    writeFile(dir / "record.qx", record);
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
    putLE32(note, note.size() - 4, 0xFFFF0000u | record.size());
    writeFile(dir / "lying.exe", note);
    NoteDocument doc;
    EXPECT_THROW(doc.load(dir / "lying.exe"), FileEndData::FEDError);
}

}  // namespace
