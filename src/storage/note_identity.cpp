#include "storage/note_identity.h"

#include <cstring>

#include "storage/buffer.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"

namespace {

// Reads the 76 bytes at `offset`; `found` says whether they are a note header. False when the
// read fails.
bool readHeaderAt(const String& path, std::uint32_t offset, NoteHeader& header, bool& found) {
    file::Scoped h;
    file::open(*h.receive(), path.c_str(), false, false);
    std::uint8_t bytes[NoteHeader::kSize];
    std::uint32_t got = 0;
    if (!file::seek(h.get(), static_cast<std::int32_t>(offset)) ||
        !file::read(h.get(), bytes, sizeof bytes, got))
        return false;
    found = got == sizeof bytes && std::memcmp(bytes, NoteHeader::kMagic, 8) == 0;
    if (found) header.loadFrom(bytes);
    return true;
}

}  // namespace

bool sameNote(const NoteIdentity& remembered, const NoteIdentity& now) {
    if (remembered.present != now.present) return false;
    return !now.present || (remembered.size == now.size && remembered.lastWrite == now.lastWrite &&
                            remembered.iv == now.iv && remembered.digest == now.digest);
}

NoteIdentity noteIdentity(bool present, const file::Stamp& stamp, const NoteHeader& header) {
    NoteIdentity identity;
    identity.present = present;
    if (present) {
        identity.size = stamp.size;
        identity.lastWrite = stamp.lastWrite;
    }
    std::memcpy(identity.iv.data(), header.iv, sizeof header.iv);
    std::memcpy(identity.digest.data(), header.digest, sizeof header.digest);
    return identity;
}

bool lookAtNote(const String& path, NoteIdentity& now) {
    now = NoteIdentity();
    file::Stamp stamp;
    const file::Presence presence = file::lookAt(path.c_str(), stamp);
    if (presence != file::Presence::Present) return presence == file::Presence::Missing;
    NoteHeader header{};
    // A bare record file holds its header at the start, a note executable where its block begins.
    bool found = false;
    if (!readHeaderAt(path, 0, header, found)) return false;
    if (!found) {
        FileEndData block(path, true);
        if (block.trailerFault() != TrailerFault::None) return false;
        if (block.hasData() && !readHeaderAt(path, block.offset(), header, found)) return false;
    }
    now = noteIdentity(true, stamp, header);
    return true;
}
