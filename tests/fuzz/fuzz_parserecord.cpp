// Parses untrusted bytes as a note record, then tries the fixed passphrase on what was accepted.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "fuzz_passphrase.h"
#include "storage/note_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes record(data, data + size);
    NoteDocument doc;
    if (!doc.parserecord(record)) {
        // A refused record leaves the new document as it was.
        FUZZ_CHECK(doc.payload.empty() && doc.header.payload_length == 0);
        FUZZ_CHECK(std::memcmp(doc.header.magic, NoteHeader::kMagic, 8) == 0);
        return 0;
    }
    FUZZ_CHECK(doc.payload.size() == doc.header.payload_length);

    // Every header field, the settings the digest does not cover included, is written back as read.
    Bytes rebuilt;
    FUZZ_CHECK(doc.buildrecord(rebuilt));
    FUZZ_CHECK(rebuilt == record);

    FUZZ_CHECK(!doc.verifykey());  // no passphrase given yet
    doc.setkey(kFuzzPassphrase);
    const bool opens = doc.verifykey();

    const Bytes sentinel{0xA5, 0x5A};
    Bytes plain = sentinel;
    const bool decrypted = doc.decrypt(plain);
    FUZZ_CHECK(decrypted == opens);
    if (decrypted)
        FUZZ_CHECK(plain.size() == doc.header.text_length);
    else
        FUZZ_CHECK(plain == sentinel);  // a failed decrypt leaves its output alone

    std::string text = "unchanged";
    const bool got = doc.gettext(text);
    FUZZ_CHECK(got == decrypted);
    if (!got) {
        FUZZ_CHECK(text == "unchanged");
        return 0;
    }
    FUZZ_CHECK(text.size() == plain.size() &&
               std::memcmp(text.data(), plain.data(), plain.size()) == 0);
    if (text.empty()) return 0;

    // Re-encrypting what opened gives a record that opens to the same text, flags untouched.
    const std::uint32_t flags = doc.header.flags;
    doc.settext(text);
    FUZZ_CHECK(doc.verifykey());
    std::string again;
    FUZZ_CHECK(doc.gettext(again) && again == text);
    FUZZ_CHECK(doc.header.flags == flags);
    Bytes resealed;
    doc.buildrecord(resealed);
    NoteDocument reread;
    FUZZ_CHECK(reread.parserecord(resealed));
    return 0;
}
