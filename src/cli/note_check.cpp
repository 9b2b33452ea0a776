#include "cli/note_check.h"

#include <algorithm>
#include <cstring>

#include "cli/cli.h"
#include "storage/buffer.h"
#include "storage/crypto/sha256.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/le.h"
#include "storage/passphrase.h"

namespace cli {
namespace {

bool readAt(file::Handle h, std::uint32_t offset, void* out, std::uint32_t count) {
    std::uint32_t got = 0;
    return file::seek(h, static_cast<std::int32_t>(offset)) && file::read(h, out, count, got) &&
           got == count;
}

// Why the record of `size` bytes whose first kSize bytes are `head` (when it has them) is no note
// record, in words; empty when it is one. Only the header is looked at.
String recordProblem(const std::uint8_t* head, std::uint64_t size) {
    if (size < NoteHeader::kSize) return "its record is shorter than a note header";
    if (std::memcmp(head, NoteHeader::kMagic, 8) != 0)
        return "its record does not begin with the note magic";
    NoteHeader h;
    h.loadFrom(head);
    const std::uint64_t claimed = std::uint64_t{h.payloadLength} + NoteHeader::kSize;
    if (size != claimed)
        return "its record is " + std::to_string(size) + " bytes, its header says " +
               std::to_string(claimed);
    // Such a payload can never be decrypted, whatever the passphrase.
    if (h.payloadLength % 16 != 0) return "its payload is not whole 16-byte blocks";
    if (!NoteDocument::headerFits(head, size, h)) return "its text length does not fit its payload";
    // No passphrase opens it in the editor, and every passphrase passes its digest.
    if (h.payloadLength == 0) return "its record holds no text";
    return {};
}

// The block's first kSize bytes, when it has that many; false when they cannot be read.
bool readHead(const String& path, const FileEndData& block, std::uint8_t* head) {
    if (block.length() < NoteHeader::kSize) return true;
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), false, false);
    return readAt(h.get(), block.offset(), head, NoteHeader::kSize);
}

}  // namespace

bool fingerprint(const String& path, std::uint32_t length, String& hex) {
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), false, false);
    if (!file::seek(h.get(), 0)) return false;
    Sha256Context ctx;
    sha256Init(ctx);
    static std::uint8_t chunk[65536];
    for (std::uint32_t left = length; left > 0;) {
        const std::uint32_t n = std::min<std::uint32_t>(left, sizeof chunk);
        std::uint32_t got = 0;
        if (!file::read(h.get(), chunk, n, got) || got != n) return false;
        sha256Update(ctx, chunk, n);
        left -= n;
    }
    std::uint8_t digest[32];
    sha256Final(ctx, digest);
    static const char kDigits[] = "0123456789abcdef";
    hex.clear();
    for (std::uint8_t b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return true;
}

String executableProblem(const String& path, std::uint32_t length) {
    if (length == 0) return "empty";
    constexpr std::uint32_t kDosHeader = 64, kPeHeader = 24;  // signature and file header
    if (length < kDosHeader + kPeHeader) return "too short to be a Windows executable";
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), false, false);
    std::uint8_t dos[kDosHeader], pe[kPeHeader];
    if (!readAt(h.get(), 0, dos, sizeof dos)) return "unreadable";
    if (dos[0] != 'M' || dos[1] != 'Z') return "not a Windows executable (no MZ header)";
    const std::uint32_t peAt = loadLE32(dos + 0x3C);
    if (peAt > length - kPeHeader || !readAt(h.get(), peAt, pe, sizeof pe) ||
        std::memcmp(pe, "PE\0\0", 4) != 0)
        return "not a Windows executable (no PE header)";
    if (pe[6] == 0 && pe[7] == 0) return "not a Windows executable (no sections)";
    return {};
}

int readEditor(const String& path, EditorPart& editor) {
    editor.path = path;
    if (!file::exists(path.c_str())) return fail(kNotANote, path + ": no such file");
    if (int rc = refuseSpecial(path)) return rc;
    // A file that begins like a note record is read as one: a note built on it would not open.
    if (NoteDocument::isRecordFile(path))
        return fail(kNotANote, path + ": a note record, not an editor");
    if (!editorPartLength(path, editor.length))
        return fail(kNotANote, path + (FileEndData(path, true).trailerFault() != TrailerFault::None
                                           ? ": the note it carries has a broken trailer"
                                           : ": cannot read the editor"));
    const String problem = executableProblem(path, editor.length);
    if (!problem.empty()) return fail(kNotANote, path + ": " + problem + ", not an editor");
    if (!fingerprint(path, editor.length, editor.sha256))
        return fail(kNotANote, path + ": cannot read the editor");
    return kDone;
}

NoteCheck checkNote(const String& path, const U16String* passphrase, unsigned codePage,
                    const EditorPart* editor) {
    NoteCheck c;
    auto problem = [&c](int code, const String& what) {
        c.problems.push_back(what);
        c.code = std::max(c.code, code);
        return c;
    };
    Bytes record;
    if (!file::exists(path.c_str())) return problem(kNotANote, "no such file");
    if (file::isSpecial(path.c_str())) return problem(kNotANote, "not a regular file");
    if (NoteDocument::isRecordFile(path))
        return problem(kNotANote, "a bare record without an editor part (salvage puts it on one)");
    FileEndData block(path, true);
    if (block.trailerFault() == TrailerFault::Overlong)
        return problem(kNotANote, "its trailer claims more bytes than the file has (try salvage)");
    if (block.trailerFault() == TrailerFault::Unreadable)
        return problem(kNotANote, "its trailer cannot be read");
    if (!block.hasData())
        return problem(kNotANote,
                       "no note trailer at its end (bytes appended or cut off? try salvage)");
    // Without a passphrase the payload is never looked at, so it is not read either.
    std::uint8_t head[NoteHeader::kSize] = {};
    if (passphrase ? !block.readData(record) : !readHead(path, block, head))
        return problem(kNotANote, "its record cannot be read");
    const String bad = recordProblem(passphrase ? record.data() : head, block.length());
    if (!bad.empty()) return problem(kNotANote, bad + " (try salvage)");
    const String notExe = executableProblem(path, block.offset());
    if (!notExe.empty()) return problem(kNotANote, "editor part: " + notExe);
    if (!fingerprint(path, block.offset(), c.sha256))
        return problem(kNotANote, "its editor part cannot be read");
    if (editor && (editor->length != block.offset() || editor->sha256 != c.sha256))
        problem(kEditorDiffers,
                "editor part differs from " + editor->path + " (reimage puts it on that editor)");
    if (passphrase) {
        NoteDocument doc;
        doc.parseRecord(record);
        const Opened opened = openWithPassphrase(doc, *passphrase, codePage);
        if (opened == Opened::No)
            problem(kWrongPassphrase,
                    "the passphrase does not open it (or its encrypted text is damaged)");
        if (opened == Opened::Weakened)
            problem(kDone,
                    "opens only with the weakened \"?\" form of the passphrase: set it "
                    "again (rekey) to protect the note fully");
    }
    return c;
}

std::vector<std::uint32_t> findRecords(const Bytes& data) {
    std::vector<std::uint32_t> found;
    const auto magic = reinterpret_cast<const std::uint8_t*>(NoteHeader::kMagic);
    for (auto at = data.begin(); (at = std::search(at, data.end(), magic, magic + 8)) != data.end();
         ++at) {
        const std::size_t offset = static_cast<std::size_t>(at - data.begin());
        const std::uint32_t size = recordSizeAt(data, static_cast<std::uint32_t>(offset));
        // A record without text holds nothing to recover, and no note can be written of it.
        // Checked in place: a copy of each candidate would make the search quadratic.
        if (size <= NoteHeader::kSize || size > data.size() - offset) continue;
        if (recordProblem(data.data() + offset, size).empty())
            found.push_back(static_cast<std::uint32_t>(offset));
    }
    return found;
}

std::uint32_t recordSizeAt(const Bytes& data, std::uint32_t offset) {
    if (data.size() < NoteHeader::kSize || offset > data.size() - NoteHeader::kSize) return 0;
    const std::uint64_t size =
        std::uint64_t{loadLE32(data.data() + offset + NoteHeader::kPayloadLengthAt)} +
        NoteHeader::kSize;
    return size > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(size);
}

}  // namespace cli

namespace cli {

int loadHeader(const String& path, NoteHeader& h, bool& recordFile, std::uint32_t& image) {
    if (int rc = refuseSpecial(path)) return rc;
    const String damaged = path + ": not a Quillox note, or damaged";
    if (!file::exists(path.c_str())) return fail(kNotANote, path + ": no such file");
    std::uint8_t head[NoteHeader::kSize];
    std::uint64_t size = 0;
    recordFile = NoteDocument::isRecordFile(path);
    image = 0;
    file::Scoped f;
    file::open(*f.receive(), path.c_str(), false, false);
    if (recordFile) {
        size = file::size(f.get());
        if (size == file::kNoSize || !readAt(f.get(), 0, head, sizeof head))
            return fail(kNotANote, damaged);
    } else {
        FileEndData block(path, true);
        if (block.trailerFault() != TrailerFault::None)
            return fail(kNotANote, path + ": damaged note (its trailer is broken)");
        if (!block.hasData() || block.length() < NoteHeader::kSize ||
            !readAt(f.get(), block.offset(), head, sizeof head))
            return fail(kNotANote, damaged);
        size = block.length();
        image = block.offset();
    }
    if (!NoteDocument::headerFits(head, size, h)) return fail(kNotANote, damaged);
    return kDone;
}

}  // namespace cli
