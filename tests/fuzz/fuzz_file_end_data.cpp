// Reads the trailer and block of a file holding untrusted bytes, then writes a new block into it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "scratch_file.h"
#include "storage/file_end_data.h"

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The only trailer that may be refused with an exception: the magic followed by a length that
// is larger than the bytes in front of the trailer.
bool lyingTrailer(const std::uint8_t* data, std::size_t size) {
    return size >= 8 && le32(data + size - 8) == FileEndData::kMagic &&
           le32(data + size - 4) > size - 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScratchFile scratch(data, size);
    std::uint32_t host = static_cast<std::uint32_t>(size);
    try {
        FileEndData reader(scratch.path(), true);
        if (reader.hasData()) {
            FUZZ_CHECK(size >= 8 && le32(data + size - 8) == FileEndData::kMagic);
            FUZZ_CHECK(reader.length() == le32(data + size - 4));
            FUZZ_CHECK(std::uint64_t{reader.offset()} + reader.length() + 8 == size);
            std::vector<std::uint8_t> block;
            FUZZ_CHECK(reader.readdata(block));
            FUZZ_CHECK(block.size() == reader.length());
            FUZZ_CHECK(block.empty() ||
                       std::memcmp(block.data(), data + reader.offset(), block.size()) == 0);
            host = reader.offset();
        } else {
            FUZZ_CHECK(size < 8 || le32(data + size - 8) != FileEndData::kMagic);
            std::vector<std::uint8_t> untouched{7};
            FUZZ_CHECK(!reader.readdata(untouched) && untouched == std::vector<std::uint8_t>{7});
        }
        FUZZ_CHECK(!reader.writedata({1, 2, 3}));  // read-only objects never write
        FUZZ_CHECK(scratch.contents() == std::string(reinterpret_cast<const char*>(data), size));
    } catch (const FileEndData::FEDError&) {
        FUZZ_CHECK(lyingTrailer(data, size));
        return 0;
    }
    FUZZ_CHECK(!lyingTrailer(data, size));

    // A new block replaces the old one (or follows the content), and the file ends at its trailer.
    std::vector<std::uint8_t> fresh(data, data + (size < 40 ? size : 40));
    fresh.push_back(0x5A);
    {
        FileEndData writer(scratch.path(), false);
        FUZZ_CHECK(writer.writedata(fresh));
        FUZZ_CHECK(writer.offset() == host);
    }
    const std::string after = scratch.contents();
    FUZZ_CHECK(after.size() == std::size_t{host} + fresh.size() + 8);
    FUZZ_CHECK(std::memcmp(after.data(), data, host) == 0);
    FUZZ_CHECK(std::memcmp(after.data() + host, fresh.data(), fresh.size()) == 0);
    FileEndData reread(scratch.path(), true);
    FUZZ_CHECK(reread.hasData() && reread.offset() == host && reread.length() == fresh.size());
    return 0;
}
