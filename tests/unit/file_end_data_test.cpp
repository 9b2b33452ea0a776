#include <gtest/gtest.h>

#include "storage/file.h"
#include "storage/file_end_data.h"
#include "test_files.h"

namespace {

// `data` and the eight-byte trailer after it: the magic and the block's length, little-endian.
Bytes withTrailer(Bytes data, std::uint32_t length, std::uint32_t magic = 0xDEADBEEF) {
    for (std::uint32_t v : {magic, length})
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return data;
}

// Trailers that claim more than the file, files without one or too short for one are also the
// tool's test's damaged notes; it tells the first by the error's context.
TEST(FileEndData, FindsTheBlockByItsTrailer) {
    const Bytes host = patternBytes(50000, 7), forty = patternBytes(40);
    const struct {
        const char* name;
        Bytes contents;
        bool hasData;
        std::uint32_t offset, length;
    } cases[] = {
        {"zero block alone", withTrailer({}, 0), true, 0, 0},
        {"host and block", withTrailer(host + forty, 40), true, 50000, 40},
        {"block from offset 0", withTrailer(forty, 40), true, 0, 40},
        {"byte-swapped magic", withTrailer(forty, 40, 0xEFBEADDE), false, 0, 0},
    };
    ScratchDir dir;
    const String path = dir / "host.bin";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path, c.contents);
        FileEndData fed(path, true);
        EXPECT_EQ(c.hasData, fed.hasData());
        EXPECT_EQ(c.offset, fed.offset());
        EXPECT_EQ(c.length, fed.length());
        EXPECT_EQ(0, fed.openError());
        Bytes read = {1, 2, 3};
        EXPECT_EQ(c.hasData, fed.readData(read));
        const Bytes expected = c.hasData ? Bytes(c.contents.begin() + c.offset,
                                                 c.contents.begin() + c.offset + c.length)
                                         : Bytes{1, 2, 3};  // untouched without a block
        EXPECT_EQ(expected, read);
    }
    EXPECT_NE(0, FileEndData(dir / "missing.bin", true).openError()) << "the system's reason";
    EXPECT_NE(0, FileEndData(dir.path(), true).openError()) << "a folder is no file";
    // A file cut after its trailer was read gives no block rather than a short one.
    writeFile(path, withTrailer(forty, 40));
    FileEndData cut(path, true);
    writeFile(path, "cut");
    Bytes none;
    EXPECT_FALSE(cut.readData(none));
    writeFile(path, withTrailer(forty, 0xFFFFFFF0));
    const FileEndData overlong(path, true);
    EXPECT_EQ(TrailerFault::Overlong, overlong.trailerFault());
    EXPECT_FALSE(overlong.hasData());
}

TEST(FileEndData, AppendsThenReplacesInPlaceLeavingNoTailButNeverThroughAReader) {
    ScratchDir dir;
    const String path = dir / "host.bin", fresh = dir / "new.bin";
    const Bytes host = patternBytes(5000, 3), first = patternBytes(1000, 4),
                second = patternBytes(10, 5);
    writeFile(path, host);
    FileEndData fed(path, false);
    ASSERT_TRUE(fed.writeData(first));
    EXPECT_EQ(withTrailer(host + first, 1000), readFile(path));
    ASSERT_TRUE(fed.writeData(second));
    EXPECT_EQ(host.size(), fed.offset());
    EXPECT_EQ(withTrailer(host + second, 10), readFile(path));
    // A missing file is made by a writer only; an empty block is a block.
    EXPECT_FALSE(FileEndData(fresh, true).writeData(patternBytes(5)));
    EXPECT_FALSE(file::exists(fresh.c_str()));
    FileEndData writer(fresh, false);
    EXPECT_FALSE(writer.hasData());
    ASSERT_TRUE(writer.writeData(patternBytes(33)));
    EXPECT_EQ(0u, writer.offset());
    EXPECT_EQ(withTrailer(patternBytes(33), 33), readFile(fresh));
    ASSERT_TRUE(writer.writeData(Bytes{}));
    Bytes read = {9};
    EXPECT_TRUE(FileEndData(fresh, true).readData(read));
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(withTrailer({}, 0), readFile(fresh));
}

}  // namespace
