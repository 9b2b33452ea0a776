// Parses untrusted bytes as a note record, then tries the fixed passphrase on what was accepted.
#include <cstring>

#include "fuzz_support.h"
#include "storage/note_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes record(data, data + size);
    NoteDocument doc;
    if (!doc.parseRecord(record)) {
        // A refused record leaves the new document as it was.
        FUZZ_CHECK(doc.payload.empty() && doc.header.payloadLength == 0);
        FUZZ_CHECK(std::memcmp(doc.header.magic, NoteHeader::kMagic, 8) == 0);
        return 0;
    }
    FUZZ_CHECK(doc.payload.size() == doc.header.payloadLength);
    // Every header field, the settings the digest does not cover included, is written back as read.
    Bytes rebuilt;
    doc.buildRecord(rebuilt);
    FUZZ_CHECK(rebuilt == record);
    FUZZ_CHECK(!doc.verifyKey());  // no passphrase given yet
    doc.setKey(kFuzzPassphrase);
    const bool opens = doc.verifyKey();

    const Bytes sentinel{0xA5, 0x5A};
    Bytes plain = sentinel;
    FUZZ_CHECK(doc.decrypt(plain) == opens);
    // A failed decrypt, or getText, leaves its output alone.
    FUZZ_CHECK(opens ? plain.size() == doc.header.textLength : plain == sentinel);
    String text = "unchanged";
    FUZZ_CHECK(doc.getText(text) == opens);
    FUZZ_CHECK(opens || text == "unchanged");
    if (!opens) return 0;
    FUZZ_CHECK(text == std::string(plain.begin(), plain.end()));
    if (text.empty()) return 0;

    // Re-encrypting what opened gives a record that opens to the same text, flags untouched.
    const std::uint32_t flags = doc.header.flags;
    doc.setText(text);
    String again;
    FUZZ_CHECK(doc.verifyKey() && doc.getText(again) && again == text);
    FUZZ_CHECK(doc.header.flags == flags);
    NoteDocument reread;
    doc.buildRecord(rebuilt);
    FUZZ_CHECK(reread.parseRecord(rebuilt));
    return 0;
}
