// Loads a whole file of untrusted bytes as a note; a note that opens with the fixed passphrase is
// saved again beside it and must load back unchanged. A note executable serves as its own image
// (its editor part is copied); a record file has none, so a stand-in editor is used.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "fuzz_passphrase.h"
#include "scratch_file.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The bytes `load` must have parsed: the whole file when it begins with the magic, otherwise the
// block in front of a trailer.
Bytes expectedRecord(const std::uint8_t* data, std::size_t size) {
    if (size >= NoteHeader::kSize && std::memcmp(data, NoteHeader::kMagic, 8) == 0)
        return Bytes(data, data + size);
    if (size < 8) return {};
    const std::uint32_t length = le32(data + size - 4);
    if (length > size - 8) return {};
    return Bytes(data + size - 8 - length, data + size - 8);
}

std::string standInEditor(ScratchFile& scratch) {
    const std::string path = scratch.companion(".editor");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(out && std::fputs("MZ stand-in editor", out) >= 0 && std::fclose(out) == 0);
    return path;
}

// True when the editor part (the bytes before the block) itself ends like a note, with the
// magic of a trailer in its last 8 bytes.
bool imageEndsInTrailer(const std::uint8_t* data, std::uint32_t imageBytes) {
    return imageBytes >= 8 && le32(data + imageBytes - 8) == FileEndData::kMagic;
}

void saveAndReload(NoteDocument& doc, const std::string& text, ScratchFile& scratch,
                   const std::uint8_t* data, std::size_t size, bool recordFile) {
    const std::string copy = scratch.companion(".saved");
    const std::uint32_t flags = doc.header.flags;
    doc.setImage(recordFile ? standInEditor(scratch) : scratch.path());
    const std::uint32_t imageBytes =
        recordFile ? 0 : static_cast<std::uint32_t>(size - 8 - le32(data + size - 4));
    if (!doc.save(copy, {640, 480, false})) {
        // An editor part that ends in a trailer would have its own tail overwritten by the new
        // block; the save refuses such an image, and writes nothing.
        FUZZ_CHECK(!recordFile && imageEndsInTrailer(data, imageBytes));
        FUZZ_CHECK(!file::exists(copy.c_str()));
        return;
    }

    if (!recordFile) {
        // A loaded note executable has an editor part: a file that begins with the record is a
        // record file. The part is copied in front of the new record byte for byte.
        std::FILE* in = std::fopen(copy.c_str(), "rb");
        FUZZ_CHECK(in && imageBytes > 0);
        Bytes editor(imageBytes);
        const bool read = std::fread(editor.data(), 1, imageBytes, in) == imageBytes;
        std::fclose(in);
        FUZZ_CHECK(read && std::memcmp(editor.data(), data, imageBytes) == 0);
    }

    NoteDocument reread;
    FUZZ_CHECK(reread.load(copy));
    reread.setkey(kFuzzPassphrase);
    std::string again;
    FUZZ_CHECK(reread.verifykey() && reread.gettext(again) && again == text);
    FUZZ_CHECK(reread.header.flags == (flags & ~NOTE_MAXIMIZED));
    FUZZ_CHECK(reread.header.window_width == 640 && reread.header.window_height == 480);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScratchFile scratch(data, size);
    NoteDocument doc;
    try {
        if (!doc.load(scratch.path())) {
            FUZZ_CHECK(doc.path.empty() && doc.payload.empty());
            return 0;
        }
    } catch (const FileEndData::FEDError&) {
        return 0;
    } catch (const file::FileError&) {
        return 0;
    }
    FUZZ_CHECK(doc.path == scratch.path());
    Bytes record;
    doc.buildrecord(record);
    const bool recordFile = NoteDocument::isrecordfile(scratch.path());
    FUZZ_CHECK(record == expectedRecord(data, size));

    doc.setkey(kFuzzPassphrase);
    std::string text;
    const bool opens = doc.verifykey();
    FUZZ_CHECK(doc.gettext(text) == opens);
    // Only a note with text can be saved: an empty one could never be opened again.
    if (opens && !text.empty()) saveAndReload(doc, text, scratch, data, size, recordFile);
    return 0;
}
