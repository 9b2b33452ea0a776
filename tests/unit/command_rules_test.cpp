#include "editor/command_rules.h"

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

}  // namespace
