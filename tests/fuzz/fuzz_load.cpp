// Loads a whole file of untrusted bytes as a note; a note that opens with the fixed passphrase is
// saved again beside it and must load back unchanged. A note executable serves as its own image
// (its editor part is copied); a record file has none, so a stand-in editor is used.
#include <cstring>

#include "fuzz_support.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"

namespace {

void saveAndReload(NoteDocument& doc, const String& text, ScratchFile& scratch,
                   const std::uint8_t* data, std::size_t size, bool recordFile) {
    const std::string copy = scratch.path + ".saved";
    const std::uint32_t flags = doc.header.flags;
    std::uint32_t imageBytes = 0;
    if (recordFile) {
        const std::string editor = scratch.path + ".editor";
        writeFile(editor, "MZ stand-in editor");  // were it not written, the save would fail
        doc.setImage(editor);
    } else {
        doc.setImage(scratch.path);
        imageBytes = std::uint32_t(size - 8 - le32(data + size - 4));
    }
    if (!doc.save(copy, {640, 480, false})) {
        // An editor part that itself ends in a trailer's magic would have its tail overwritten by
        // the new block: the save refuses such an image and writes nothing.
        FUZZ_CHECK(imageBytes >= 8 && le32(data + imageBytes - 8) == FileEndData::kMagic);
        FUZZ_CHECK(!file::exists(copy.c_str()));
        return;
    }
    // A note executable's editor part is copied in front of the new record byte for byte.
    const Bytes all = readFile(copy);
    FUZZ_CHECK(recordFile || imageBytes > 0);
    FUZZ_CHECK(all.size() >= imageBytes && std::memcmp(all.data(), data, imageBytes) == 0);

    NoteDocument reread;
    FUZZ_CHECK(reread.load(copy));
    reread.setKey(kFuzzPassphrase);
    String again;
    FUZZ_CHECK(reread.verifyKey() && reread.getText(again) && again == text);
    FUZZ_CHECK(reread.header.flags == (flags & ~kNoteMaximized));
    FUZZ_CHECK(reread.header.windowWidth == 640 && reread.header.windowHeight == 480);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScratchFile scratch(data, size);
    NoteDocument doc;
    if (!doc.load(scratch.path)) {
        FUZZ_CHECK(doc.path.empty() && doc.payload.empty());
        return 0;
    }
    FUZZ_CHECK(doc.path == scratch.path);
    // Parsed: the whole file when it begins with the magic, else the block before the trailer.
    const bool recordFile = NoteDocument::isRecordFile(scratch.path);
    Bytes record, expected(data, data + size);
    if (size < NoteHeader::kSize || std::memcmp(data, NoteHeader::kMagic, 8) != 0)
        expected = size < 8 || le32(data + size - 4) > size - 8
                       ? Bytes()
                       : Bytes(data + size - 8 - le32(data + size - 4), data + size - 8);
    doc.buildRecord(record);
    FUZZ_CHECK(record == expected);

    doc.setKey(kFuzzPassphrase);
    String text;
    const bool opens = doc.verifyKey();
    FUZZ_CHECK(doc.getText(text) == opens);
    // Only a note with text can be saved: an empty one could never be opened again.
    if (opens && !text.empty()) saveAndReload(doc, text, scratch, data, size, recordFile);
    return 0;
}
