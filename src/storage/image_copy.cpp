#include "storage/image_copy.h"

#include "storage/file.h"

bool copyImage(const char* source, const char* target, std::uint32_t length) {
    constexpr std::uint32_t kChunk = 4096;
    file::Scoped out;
    file::open(out.handle(), target, true, true);
    file::Scoped in;
    file::open(in.handle(), source, false, false);
    if (!file::seek(in, 0) || !file::seek(out, 0)) return false;

    std::uint8_t chunk[kChunk];
    for (std::uint32_t left = length; left > 0;) {
        std::uint32_t n = left < kChunk ? left : kChunk;
        std::uint32_t got = 0, put = 0;
        if (!file::read(in, chunk, n, got) || got != n) return false;
        if (!file::write(out, chunk, n, put) || put != n) return false;
        left -= n;
    }
    // A longer file that stood under this name must not keep its tail: it could even end in
    // something that looks like a note block.
    return file::truncate(out);
}
