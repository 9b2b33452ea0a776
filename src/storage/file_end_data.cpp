#include "storage/file_end_data.h"

#include "storage/buffer.h"
#include "storage/file.h"
#include "storage/le.h"

namespace {
// Positions are signed 32-bit: nothing may reach 2 GiB.
constexpr std::uint32_t kLimit = 0x7FFFFFFFu;
}  // namespace

FileEndData::FileEndData(const String& path, bool readOnly) : state_(new FileEndState) {
    state_->path = path;
    state_->readOnly = readOnly;
    readHeader();
}

FileEndData::~FileEndData() = default;

void FileEndData::readHeader() {
    // The system's error is taken at the step that failed: closing the handle may overwrite it.
    const auto broken = [this](TrailerFault fault, int systemError) {
        state_->fault = fault;
        state_->faultError = systemError;
    };
    file::Scoped h;
    file::open(*h.receive(), state_->path.c_str(), false, false);
    if (!h) {
        state_->openError = file::lastError();
        return;
    }

    // A failed size is all bits set, so size - 8 is negative and the seek fails: no block.
    std::uint32_t size = file::size(h.get());
    if (!file::seek(h.get(), static_cast<std::int32_t>(size - kTrailerSize))) return;

    std::uint8_t trailer[kTrailerSize];
    std::uint32_t got = 0;
    if (!file::read(h.get(), trailer, kTrailerSize, got) || got != kTrailerSize)
        return broken(TrailerFault::Unreadable, file::lastError());

    if (loadLE32(trailer) != kMagic) return;

    std::uint32_t length = loadLE32(trailer + 4);
    size = file::size(h.get());
    if (size == file::kNoSize || size < kTrailerSize)
        return broken(TrailerFault::Unreadable, file::lastError());
    if (length > size - kTrailerSize) return broken(TrailerFault::Overlong, 0);

    std::uint32_t position = file::position(h.get());
    if (position == file::kNoSize || position < length + kTrailerSize)
        return broken(TrailerFault::Unreadable, file::lastError());
    state_->hasData = true;
    state_->offset = position - length - kTrailerSize;
    state_->length = length;
}

bool FileEndData::readData(Bytes& buffer) {
    if (!state_->hasData) return false;
    file::Scoped h;
    file::open(*h.receive(), state_->path.c_str(), false, false);
    if (!file::seek(h.get(), static_cast<std::int32_t>(state_->offset))) return false;

    // Appended a piece at a time into storage sized once: a resize would zero-fill megabytes only
    // for the read to overwrite them.
    buffer.clear();
    buffer.reserve(state_->length);
    std::uint8_t piece[64 * 1024];
    for (std::uint32_t left = state_->length; left > 0;) {
        const std::uint32_t n = left < sizeof piece ? left : sizeof piece;
        std::uint32_t got = 0;
        if (!file::read(h.get(), piece, n, got) || got != n) return false;
        buffer.append(piece, n);
        left -= n;
    }
    return true;
}

bool FileEndData::writeData(const Bytes& data) {
    if (state_->readOnly || state_->fault != TrailerFault::None) return false;
    if (data.size() > kLimit) return false;
    const std::uint32_t length = static_cast<std::uint32_t>(data.size());

    std::uint8_t trailer[kTrailerSize];
    storeLE32(trailer, kMagic);
    storeLE32(trailer + 4, length);

    file::Scoped h;
    file::open(*h.receive(), state_->path.c_str(), true, true);

    if (!state_->hasData) {
        std::uint32_t end = file::size(h.get());
        if (end == file::kNoSize) return false;
        state_->offset = end;
    }
    // The block must land exactly at its offset, or nowhere.
    if (state_->offset > kLimit - kTrailerSize - length) return false;
    if (!file::seek(h.get(), static_cast<std::int32_t>(state_->offset))) return false;

    std::uint32_t put = 0;
    if (length != 0 && (!file::write(h.get(), data.data(), length, put) || put != length))
        return false;
    if (!file::write(h.get(), trailer, kTrailerSize, put) || put != kTrailerSize) return false;

    state_->length = length;
    state_->hasData = true;
    return file::truncate(h.get());
}
