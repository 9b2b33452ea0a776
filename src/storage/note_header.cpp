#include <cstring>

#include "storage/le.h"
#include "storage/note_document.h"

void NoteHeader::store(std::uint8_t out[kSize]) const {
    std::memcpy(out, magic, 8);
    std::memcpy(out + 8, digest, 32);
    std::memcpy(out + 40, iv, 16);
    storeLE32(out + kPayloadLengthAt, payloadLength);
    storeLE32(out + 60, textLength);
    storeLE32(out + 64, flags);
    storeLE32(out + 68, static_cast<std::uint32_t>(windowWidth));
    storeLE32(out + 72, static_cast<std::uint32_t>(windowHeight));
}

void NoteHeader::loadFrom(const std::uint8_t in[kSize]) {
    std::memcpy(magic, in, 8);
    std::memcpy(digest, in + 8, 32);
    std::memcpy(iv, in + 40, 16);
    payloadLength = loadLE32(in + kPayloadLengthAt);
    textLength = loadLE32(in + 60);
    flags = loadLE32(in + 64);
    windowWidth = static_cast<std::int32_t>(loadLE32(in + 68));
    windowHeight = static_cast<std::int32_t>(loadLE32(in + 72));
}
