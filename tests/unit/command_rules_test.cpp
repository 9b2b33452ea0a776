#include "editor/command_rules.h"
#include "storage/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(CommandRules, FileDialogFilterAndDefaultExtension) {
    EXPECT_EQ(buildFilterBuffer("Text (*.txt)\0*.txt"s), "Text (*.txt)\0*.txt\0\0"s);
    EXPECT_EQ(buildFilterBuffer(""), "\0\0"s);
    // An offset of 0 or of the terminator is how the dialog reports "no extension".
    const struct {
        std::string path;
        std::size_t offset;
        const char* extension;
        std::string expected;
    } cases[] = {
        {"C:\\n\\diary", 0, ".exe", "C:\\n\\diary.exe"},
        {"C:\\n\\diary", 10, ".exe", "C:\\n\\diary.exe"},
        {"C:\\n\\diary.txt", 11, ".exe", "C:\\n\\diary.txt"},
        {"C:\\n\\diary", 0, nullptr, "C:\\n\\diary"},  // Export text: no default extension
    };
    for (const auto& c : cases)
        EXPECT_EQ(withDefaultExtension(c.path, c.offset, c.extension), c.expected) << c.offset;
}

TEST(CommandRules, SearchGoesOnAfterAHitAndRestartsAfterAMiss) {
    const struct {
        std::int64_t answer;
        std::int32_t matchEnd, start;
    } cases[] = {
        {5, 9, 9}, {0, 3, 3}, {-1, -1, 0}, {-1, 20, 0}, {0, -1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nextSearchStart(c.answer, c.matchEnd), c.start) << c.answer << ", " << c.matchEnd;
}

TEST(CommandRules, ImportIsCutOnlyWhenTheEditorIsFullAndBytesWereLeft) {
    constexpr std::int64_t limit = 4194304;
    const struct {
        std::uint64_t fileBytes;
        std::int64_t characters;
        bool cut;
    } cases[] = {
        {100, 100, false},
        {limit, limit, false},
        {limit + 1, limit, true},
        {limit + 200, limit - 100, false},  // line ends shrank: everything fits
        {5ull << 32, limit, true},          // sizes beyond 32 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(importWasCut(c.fileBytes, c.characters, limit), c.cut) << c.fileBytes;
}

TEST(CommandRules, LineEndsAreNeverSplitAndCountOnce) {
    // A CR at the end waits for the next chunk, where its LF is; a lone byte must go out, or the
    // stream would stall.
    const struct {
        std::string chunk;
        std::size_t handed;
    } cases[] = {{"abc\r", 3}, {"abc\r\n", 5}, {"\r", 1}, {"\r\r", 1}, {"abc", 3}};
    for (const auto& c : cases)
        EXPECT_EQ(c.handed, chunkWithoutSplitLineEnd(c.chunk.data(), c.chunk.size())) << c.chunk;

    EXPECT_EQ(0u, controlCharacters(u""));
    EXPECT_EQ(5u, controlCharacters(u"ab\r\nc\n"));
    EXPECT_EQ(3u, controlCharacters(u"\n\r\n\r"));
    EXPECT_EQ(4u, controlCharacters(u"\r\r\n\n\r"));
}

}  // namespace
