#include <gtest/gtest.h>

#include <filesystem>

#include "storage/file.h"
#include "storage/file_end_data.h"
#include "test_files.h"

namespace {

Bytes trailer(std::uint32_t magic, std::uint32_t length) {
    Bytes t(8);
    for (int i = 0; i < 4; ++i) {
        t[i] = static_cast<std::uint8_t>(magic >> (8 * i));
        t[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    return t;
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A trailer that claims more than the file, a file without one, and files too short for one are
// also the tool's test's damaged notes.
TEST(FileEndData, FindsTheBlockByItsTrailer) {
    const Bytes host = patternBytes(50000, 7), forty = patternBytes(40);
    // clang-format off
    const struct {
        const char* name;
        Bytes contents;
        bool hasData;
        std::uint32_t offset, length;
        const char* error;  // the FEDError context expected, or null
    } cases[] = {
        {"zero block alone", trailer(0xDEADBEEF, 0), true, 0, 0, nullptr},
        {"host and block", concat(concat(host, forty), trailer(0xDEADBEEF, 40)), true, 50000, 40, nullptr},
        {"block from offset 0", concat(forty, trailer(0xDEADBEEF, 40)), true, 0, 40, nullptr},
        {"length far too long", concat(forty, trailer(0xDEADBEEF, 0xFFFFFFF0)), false, 0, 0, "FileEndData::header"},
        {"byte-swapped magic", concat(forty, trailer(0xEFBEADDE, 40)), false, 0, 0, nullptr},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string path = dir / "host.bin";
        writeFile(path, c.contents);
        if (c.error) {
            try {
                FileEndData fed(path, true);
                ADD_FAILURE() << "no exception";
            } catch (const FileEndData::FEDError& e) {
                EXPECT_STREQ(c.error, e.what());
            }
            continue;
        }
        FileEndData fed(path, true);
        EXPECT_EQ(c.hasData, fed.hasData());
        EXPECT_EQ(c.offset, fed.offset());
        EXPECT_EQ(c.length, fed.length());
        Bytes read = {1, 2, 3};
        EXPECT_EQ(c.hasData, fed.readdata(read));
        const Bytes expected = c.hasData ? Bytes(c.contents.begin() + c.offset,
                                                 c.contents.begin() + c.offset + c.length)
                                         : Bytes{1, 2, 3};  // untouched without a block
        EXPECT_EQ(expected, read);
    }
}

TEST(FileEndData, AppendsThenReplacesInPlaceLeavingNoTailButNeverThroughAReader) {
    ScratchDir dir;
    const std::string path = dir / "host.bin", fresh = dir / "new.bin";
    const Bytes host = patternBytes(5000, 3), first = patternBytes(1000, 4),
                second = patternBytes(10, 5);
    writeFile(path, host);
    FileEndData fed(path, false);
    ASSERT_TRUE(fed.writedata(first));
    EXPECT_EQ(concat(concat(host, first), trailer(0xDEADBEEF, 1000)), readFile(path));
    ASSERT_TRUE(fed.writedata(second));
    EXPECT_EQ(host.size(), fed.offset());
    EXPECT_EQ(concat(concat(host, second), trailer(0xDEADBEEF, 10)), readFile(path));
    // A new object finds the block the old one wrote, and replaces it in place too.
    FileEndData again(path, false);
    EXPECT_EQ(host.size(), again.offset());
    ASSERT_TRUE(again.writedata(first));
    EXPECT_EQ(concat(concat(host, first), trailer(0xDEADBEEF, 1000)), readFile(path));

    // A missing file is made by a writer only; an empty block is a block.
    EXPECT_FALSE(FileEndData(fresh, true).writedata(patternBytes(5)));
    EXPECT_FALSE(file::exists(fresh.c_str()));
    FileEndData writer(fresh, false);
    EXPECT_FALSE(writer.hasData());
    ASSERT_TRUE(writer.writedata(patternBytes(33)));
    EXPECT_EQ(0u, writer.offset());
    EXPECT_EQ(concat(patternBytes(33), trailer(0xDEADBEEF, 33)), readFile(fresh));
    ASSERT_TRUE(writer.writedata(Bytes{}));
    Bytes read = {9};
    EXPECT_TRUE(FileEndData(fresh, true).readdata(read));
    EXPECT_TRUE(read.empty());
    EXPECT_FALSE(FileEndData(fresh, true).writedata(patternBytes(5)));
    EXPECT_EQ(trailer(0xDEADBEEF, 0), readFile(fresh));
}

TEST(FileLayer, TemporaryNamesShrinkOnlyPastTheLongestPath) {
    // "~quillox-" + 8 hex digits + ".tmp" is 21 characters: up to 259 in all the long name is
    // used, beyond it "~" and as many digits as the target's own name has room for.
    ScratchDir dir;
    for (std::size_t folderLength : {238u, 239u}) {
        const std::string folder =
            dir.path() + "/" + std::string(folderLength - dir.path().size() - 2, 'f') + "/";
        ASSERT_EQ(folderLength, folder.size());
        ASSERT_TRUE(std::filesystem::create_directories(folder));
        const std::string name = file::createTemporaryBeside(folder + "note.exe");
        EXPECT_EQ(folderLength == 238 ? 259u : 247u, name.size()) << name;
        EXPECT_TRUE(file::exists(name.c_str()));
    }
}

#ifdef _WIN32
// Windows share modes: a file open for writing shares nothing; one open for reading shares reading.
TEST(FileLayer, SharingRules) {
    ScratchDir dir;
    const std::string path = dir / "shared.bin";
    writeFile(path, patternBytes(16));
    std::uint8_t b[16];
    std::uint32_t got = 0;
    {
        file::Scoped writer;
        file::open(writer.handle(), path.c_str(), true, true);
        for (bool writable : {false, true}) {
            file::Scoped second;
            file::open(second.handle(), path.c_str(), writable, writable);
            EXPECT_EQ(file::kFailed, second.handle()) << "writable=" << writable;
            EXPECT_FALSE(file::read(second, b, 16, got));
        }
    }
    {
        file::Scoped reader;
        file::open(reader.handle(), path.c_str(), false, false);
        file::Scoped secondReader;
        file::open(secondReader.handle(), path.c_str(), false, false);
        EXPECT_TRUE(file::read(secondReader, b, 16, got));
        EXPECT_EQ(16u, got);
        file::Scoped writer;
        file::open(writer.handle(), path.c_str(), true, true);
        EXPECT_EQ(file::kFailed, writer.handle());
        // A block cannot be written while someone reads the file.
        FileEndData fed(path, false);
        EXPECT_FALSE(fed.writedata(patternBytes(4)));
    }
    EXPECT_EQ(patternBytes(16), readFile(path));
}
#endif

}  // namespace
