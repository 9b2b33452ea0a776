#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "storage/crypto/aes.h"
#include "storage/crypto/sha256.h"
#include "storage/note_document.h"
#include "test_files.h"

namespace {

void putLE32(Bytes& r, std::size_t at, std::uint32_t v) {
    r.resize(std::max(r.size(), at + 4));
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes sealed(const std::string& text, const char* passphrase) {
    NoteDocument doc;
    doc.setKey(passphrase);
    doc.setText(text);
    Bytes record;
    doc.buildRecord(record);
    return record;
}

std::string opened(const Bytes& record, const char* passphrase) {
    NoteDocument doc;
    if (!doc.parseRecord(record)) return "<no parse>";
    doc.setKey(passphrase);
    String out = "<untouched>";
    return doc.getText(out) ? out : doc.verifyKey() ? "<verified>" : out;
}

// Built straight from the primitives, as any reader of the format would: the document must
// produce and accept exactly this layout.
TEST(NoteRecord, MatchesARecordBuiltFromThePrimitives) {
    const Bytes iv = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 254};
    const std::string text = "Line one\r\nLine two\r\n\xE9t\xE9";
    std::uint8_t key[32], digest[32];
    sha256("Correct Horse", 13, key);
    Bytes payload = bytesOf(text), chain = iv;
    payload.resize(48);
    AesEncKeySchedule ks;
    buildAesTables();
    expandEncKey(key, ks);
    cbcEncrypt(payload.data(), payload.data(), payload.size(), chain.data(), ks);
    const Bytes digestInput = bytesOf(text + std::string(iv.begin(), iv.end()));
    sha256(digestInput.data(), digestInput.size(), digest);
    Bytes reference = bytesOf("QUiLLX*2");
    reference.insert(reference.end(), digest, digest + 32);
    reference.insert(reference.end(), iv.begin(), iv.end());
    for (std::uint32_t v :
         {48u, std::uint32_t(text.size()), 0x80000010u | kNoteReadOnly, std::uint32_t(-2), 700u})
        putLE32(reference, reference.size(), v);
    reference.insert(reference.end(), payload.begin(), payload.end());

    NoteDocument doc;
    ASSERT_TRUE(doc.parseRecord(reference));
    EXPECT_EQ(0x80000010u | kNoteReadOnly, doc.header.flags);
    EXPECT_EQ(-2, doc.header.windowWidth);
    EXPECT_EQ(700, doc.header.windowHeight);
    EXPECT_FALSE(doc.verifyKey()) << "no key set yet";
    doc.setKey("Correct Horse");
    String out;
    ASSERT_TRUE(doc.getText(out));
    EXPECT_EQ(text, out);
    Bytes rebuilt;
    doc.buildRecord(rebuilt);
    EXPECT_EQ(reference, rebuilt);
}

TEST(NoteRecord, RoundTripsEverySizeOnlyWithItsPassphraseUnderAFreshIvEachTime) {
    std::string big(100003, 'x');
    for (std::size_t i = 0; i < big.size(); i += 97) big[i] = '\0';
    const struct {
        std::string text;
        std::uint32_t payload;
    } cases[] = {{"a", 16}, {std::string(16, 'c'), 16}, {std::string(17, 'd'), 32}, {big, 100016}};
    for (const auto& c : cases) {
        const Bytes record = sealed(c.text, "pass phrase");
        EXPECT_EQ(76u + c.payload, record.size()) << c.text.size();
        EXPECT_TRUE(opened(record, "pass phrase") == c.text) << c.text.size();
        // The digest covers only the text and the IV, so a one-byte text opens under one key in
        // 256: only longer texts must refuse every wrong passphrase.
        for (const char* wrong : {"pass Phrase", "pass phrase ", "pass phras", ""}) {
            EXPECT_TRUE(c.text.size() == 1 || opened(record, wrong) == "<untouched>") << wrong;
        }
    }
    // Every save draws a new IV of bytes 0..254, so the same text never gives the same record.
    NoteDocument doc;
    doc.setKey("k");
    std::set<Bytes> ivs;
    for (int i = 0; i < 100; ++i) {
        doc.setText("the same text");
        const Bytes iv(doc.header.iv, doc.header.iv + 16);
        EXPECT_EQ(0, std::count(iv.begin(), iv.end(), 255));
        ivs.insert(iv);
    }
    EXPECT_EQ(100u, ivs.size());
}

// A new document's passphrase is only set (rekey is the tool's test); New keeps the key, the IV
// and the flags of the note it clears.
TEST(NoteRecord, ChangePassphraseOnAnEmptyDocumentSetsTheKeyAndClearKeepsKeyIvAndFlags) {
    NoteDocument blank;
    blank.changePassphrase("first");
    EXPECT_TRUE(blank.keySet);
    EXPECT_TRUE(blank.payload.empty());
    NoteDocument doc;
    doc.setKey("old");
    doc.setText("keep me");
    doc.path = "somewhere";
    doc.header.flags = kNoteReadOnly | 0x100;
    const Bytes iv(doc.header.iv, doc.header.iv + 16);
    const auto key = doc.key;
    doc.clear();
    EXPECT_TRUE(doc.path.empty());
    EXPECT_TRUE(doc.payload.empty());
    EXPECT_EQ(0u, doc.header.payloadLength + doc.header.textLength);
    EXPECT_EQ(Bytes(32, 0), Bytes(doc.header.digest, doc.header.digest + 32));
    EXPECT_EQ(iv, Bytes(doc.header.iv, doc.header.iv + 16));
    EXPECT_EQ(kNoteReadOnly | 0x100u, doc.header.flags);
    EXPECT_TRUE(doc.keySet);
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
    const Bytes cases[] = {
        with(75, {}),                          // short
        with(good.size(), {{4, 0x332A584C}}),  // other magic
        with(good.size() - 16, {}),            // payload cut short
        with(good.size(), {{60, 0}}),          // payload without text
        with(76, {{56, 0}, {60, 0}}),          // empty note with a digest
    };
    for (const auto& record : cases) {
        NoteDocument doc;
        doc.setKey("k");
        doc.setText("before");
        Bytes before, after;
        doc.buildRecord(before);
        EXPECT_FALSE(doc.parseRecord(record)) << record.size();
        doc.buildRecord(after);
        EXPECT_EQ(before, after) << record.size();
    }
    // Partial blocks parse but open with no passphrase; an empty note opens with any.
    Bytes partial = with(76 + 24, {{56, 24}});
    for (const char* pass : {"k", "", "other"}) EXPECT_EQ("<untouched>", opened(partial, pass));
    const Bytes empty = sealed("", "k");
    ASSERT_EQ(76u, empty.size());
    EXPECT_EQ("", opened(empty, "anything at all"));
}

}  // namespace
