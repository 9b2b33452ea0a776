// Reads the trailer and block of a file holding untrusted bytes, then writes a new block into it.
#include <cstring>

#include "fuzz_support.h"
#include "storage/file_end_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScratchFile scratch(data, size);
    const bool trailer = size >= 8 && le32(data + size - 8) == FileEndData::kMagic;
    // Only a trailer that claims more bytes than stand in front of it is broken.
    const bool lying = trailer && le32(data + size - 4) > size - 8;
    std::uint32_t host = std::uint32_t(size);
    {
        FileEndData reader(scratch.path, true);
        FUZZ_CHECK((reader.trailerFault() == TrailerFault::Overlong) == lying);
        FUZZ_CHECK(reader.hasData() == (trailer && !lying));
        Bytes block{7};
        FUZZ_CHECK(reader.readData(block) == reader.hasData());
        if (reader.hasData()) {
            FUZZ_CHECK(reader.length() == le32(data + size - 4));
            FUZZ_CHECK(std::uint64_t{reader.offset()} + reader.length() + 8 == size);
            FUZZ_CHECK(block == Bytes(data + reader.offset(), data + size - 8));
            host = reader.offset();
        } else {
            FUZZ_CHECK(block == Bytes{7});  // untouched
        }
        FUZZ_CHECK(!reader.writeData({1, 2, 3}));  // read-only objects never write
        FUZZ_CHECK(readFile(scratch.path) == Bytes(data, data + size));
        if (lying) {
            FUZZ_CHECK(!FileEndData(scratch.path, false).writeData({1, 2, 3}));  // nor broken ones
            return 0;
        }
    }
    // A new block replaces the old one (or follows the content), and the file ends at its trailer.
    Bytes fresh(data, data + (size < 40 ? size : 40));
    fresh.push_back(0x5A);
    {
        FileEndData writer(scratch.path, false);
        FUZZ_CHECK(writer.writeData(fresh) && writer.offset() == host);
    }
    const Bytes after = readFile(scratch.path);
    FUZZ_CHECK(after.size() == std::size_t{host} + fresh.size() + 8);
    FUZZ_CHECK(std::memcmp(after.data(), data, host) == 0);
    FUZZ_CHECK(std::memcmp(after.data() + host, fresh.data(), fresh.size()) == 0);
    FileEndData reread(scratch.path, true);
    FUZZ_CHECK(reread.hasData() && reread.offset() == host && reread.length() == fresh.size());
    return 0;
}
