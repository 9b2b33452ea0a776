#include "storage/image_copy.h"

#include "storage/buffer.h"
#include "storage/file.h"

bool copyImage(const char* source, const char* target, std::uint32_t length) {
    // Big pieces: every read and write is a system call, and the image runs to hundreds of KiB.
    constexpr std::uint32_t kChunk = 256 * 1024;
    file::Scoped out;
    file::open(*out.receive(), target, true, true);
    if (!out) return false;  // before the next open can overwrite the reason
    file::Scoped in;
    file::open(*in.receive(), source, false, false);
    if (!file::seek(in.get(), 0) || !file::seek(out.get(), 0)) return false;

    Bytes chunk(length < kChunk ? length : kChunk);
    for (std::uint32_t left = length; left > 0;) {
        std::uint32_t n = left < kChunk ? left : kChunk;
        std::uint32_t got = 0, put = 0;
        if (!file::read(in.get(), chunk.data(), n, got) || got != n) return false;
        if (!file::write(out.get(), chunk.data(), n, put) || put != n) return false;
        left -= n;
    }
    // A longer file that stood under this name must not keep its tail: it could even end in
    // something that looks like a note block.
    return file::truncate(out.get());
}
