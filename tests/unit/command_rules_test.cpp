#include "editor/command_rules.h"
#include "storage/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(CommandRules, FilterBufferKeepsEveryByteAndEndsInTwoNuls) {
    struct Case {
        std::string text, expected;
    };
    const std::vector<Case> cases = {
        {"*.exe", "*.exe\0\0"s},
        {"Text Files (*.txt)\0*.txt"s, "Text Files (*.txt)\0*.txt\0\0"s},
        {"", "\0\0"s},
    };
    for (const Case& c : cases) EXPECT_EQ(buildFilterBuffer(c.text), c.expected);
}

TEST(CommandRules, DefaultExtensionOnlyWhenTheDialogReportsNone) {
    struct Case {
        std::string path;
        std::size_t offset;
        const char* extension;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"C:\\n\\diary", 0, ".exe", "C:\\n\\diary.exe"},
        // Offset of the terminator: how the dialog reports "none" without a default of its own.
        {"C:\\n\\diary", 10, ".exe", "C:\\n\\diary.exe"},
        {"C:\\n\\diary.exe", 11, ".exe", "C:\\n\\diary.exe"},
        {"C:\\n\\diary.txt", 11, ".exe", "C:\\n\\diary.txt"},
        {"C:\\n.d\\diary", 0, ".exe", "C:\\n.d\\diary.exe"},
        // No default extension (Export text): the name is used as chosen.
        {"C:\\n\\diary", 0, nullptr, "C:\\n\\diary"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withDefaultExtension(c.path, c.offset, c.extension), c.expected)
            << c.path << " at " << c.offset;
    }
}

TEST(CommandRules, SearchGoesOnAfterAHitAndRestartsAfterAMiss) {
    struct Case {
        std::int64_t answer;
        std::int32_t matchEnd, start;
    };
    const std::vector<Case> cases = {
        {5, 9, 9},  // a hit at 5 ending at 9
        {0, 3, 3},  // a hit at the very start
        {4194300, 4194304, 4194304},
        {-1, -1, 0},  // a miss as the control reports it
        {-1, 20, 0},  // a miss that left the previous range in place
        {0, -1, 0},   // no match range filled in
        {0, 0, 0},    // no control asked: the range stays (0, 0)
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nextSearchStart(c.answer, c.matchEnd), c.start) << c.answer << ", " << c.matchEnd;
    }
}

TEST(CommandRules, ImportIsCutOnlyWhenTheEditorIsFullAndBytesWereLeft) {
    constexpr std::int64_t limit = 4194304;
    struct Case {
        std::uint64_t fileBytes;
        std::int64_t characters;
        bool cut;
    };
    const std::vector<Case> cases = {
        {0, 0, false},
        {100, 100, false},
        {limit, limit, false},     // exactly full
        {limit + 1, limit, true},  // one byte too many
        {limit * 3, limit, true},
        {limit + 200, limit - 100, false},  // line ends shrank: everything fits
        {limit + 200, limit, true},
        {5ull << 32, limit, true},  // sizes beyond 32 bits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(importWasCut(c.fileBytes, c.characters, limit), c.cut)
            << c.fileBytes << " bytes, " << c.characters << " characters";
    }
}

TEST(CommandRules, ChunksNeverEndBetweenCrAndLf) {
    const struct {
        std::string chunk;
        std::size_t handed;
    } cases[] = {
        {"abc\r", 3},      // the CR waits for the next chunk, where its LF is
        {"abc\r\n", 5},   // a whole pair goes out
        {"abc\n", 4},
        {"\r", 1},         // a lone byte must go out, or the stream would stall
        {"\r\r", 1},
        {"abc", 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.handed, chunkWithoutSplitLineEnd(c.chunk.data(), c.chunk.size())) << c.chunk;

    // Handing a text over in chunks of every size keeps every CR LF pair inside one chunk.
    const std::string text = "a\r\nbb\r\n\r\nccc\rdd\n\r\n";
    for (std::size_t size = 2; size <= 7; ++size) {
        std::string rebuilt;
        for (std::size_t at = 0; at < text.size();) {
            std::size_t n = std::min(size, text.size() - at);
            if (at + n < text.size()) n = chunkWithoutSplitLineEnd(text.data() + at, n);
            const std::string chunk = text.substr(at, n);
            EXPECT_FALSE(chunk.back() == '\r' && at + n < text.size() && text[at + n] == '\n');
            rebuilt += chunk;
            at += n;
        }
        EXPECT_EQ(text, rebuilt);
    }
}

TEST(CommandRules, EditorCharactersCountACrLfPairOnce) {
    EXPECT_EQ(0u, controlCharacters(u""));
    EXPECT_EQ(5u, controlCharacters(u"ab\r\nc\n"));
    EXPECT_EQ(4u, controlCharacters(u"\r\r\n\n\r"));
    EXPECT_EQ(3u, controlCharacters(u"\n\r\n\r"));
}

}  // namespace
