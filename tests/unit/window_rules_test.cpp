#include "editor/window_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(WindowRules, TitleTakesLabelOrPathAndMarksReadOnly) {
    struct Case {
        const char* label;
        std::string path;
        bool readOnly;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"<new document>", "", false, "Quillox version 1.3-beta1: <new document>"},
        {nullptr, "C:\\notes\\diary.exe", false, "Quillox version 1.3-beta1: C:\\notes\\diary.exe"},
        {nullptr, "C:\\notes\\diary.exe", true,
         "Quillox version 1.3-beta1: C:\\notes\\diary.exe [read-only]"},
        // A never-saved note made read-only shows its empty path.
        {nullptr, "", true, "Quillox version 1.3-beta1:  [read-only]"},
        // A label wins over the path, even an empty one.
        {"", "C:\\a.exe", false, "Quillox version 1.3-beta1: "},
        {"Z:\\tmp\\n.exe", "C:\\a.exe", true,
         "Quillox version 1.3-beta1: Z:\\tmp\\n.exe [read-only]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(composeTitle(c.label, c.path, c.readOnly), c.expected)
            << "label " << (c.label ? c.label : "(none)") << ", path " << c.path;
    }
}

TEST(WindowRules, ZeroHeaderFieldsTakeTheDefaultSizeEachOnItsOwn) {
    struct Case {
        std::int32_t width, height, expectedWidth, expectedHeight;
    };
    const std::vector<Case> cases = {
        {0, 0, 480, 320},     {0, 700, 480, 700}, {900, 0, 900, 320},
        {640, 480, 640, 480}, {1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        const WindowSize size = windowSizeFromHeader(c.width, c.height);
        EXPECT_EQ(size.width, c.expectedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(size.height, c.expectedHeight) << c.width << " x " << c.height;
    }
}

TEST(WindowRules, CentringTruncatesEachHalfSeparately) {
    struct Case {
        std::int32_t refWidth, refHeight, width, height, x, y;
    };
    const std::vector<Case> cases = {
        {1280, 1024, 480, 320, 400, 352},
        // 1279/2 = 639 and 481/2 = 240: halving the difference instead would give 399.
        {1279, 1023, 481, 321, 399, 351},
        {1281, 1025, 481, 321, 400, 352},
        // A window larger than the reference starts left of and above it.
        {800, 600, 1001, 701, -100, -50},
        {100, 100, 301, 301, -100, -100},
    };
    for (const Case& c : cases) {
        const WindowOrigin origin = centredOrigin(c.refWidth, c.refHeight, c.width, c.height);
        EXPECT_EQ(origin.x, c.x) << c.refWidth << " / " << c.width;
        EXPECT_EQ(origin.y, c.y) << c.refHeight << " / " << c.height;
    }
}

TEST(WindowRules, MulDivRoundsHalfAwayFromZeroAndReportsOverflow) {
    struct Case {
        std::int32_t a, b, c, expected;
    };
    const std::vector<Case> cases = {
        {10, 96, 72, 13},  // 13.33
        {14, 96, 72, 19},  // 18.67
        {3, 1, 2, 2},      // 1.5 rounds up
        {-3, 1, 2, -2},    // -1.5 rounds away from zero
        {3, -1, 2, -2},
        {3, 1, -2, -2},
        {-3, -1, -2, -2},
        {5, 1, 4, 1},  // 1.25
        {7, 1, 4, 2},  // 1.75
        {0, 96, 72, 0},
        {1, 1, 0, -1},                   // no denominator
        {0x40000000, 4, 1, -1},          // 2^32 does not fit
        {0x40000000, 4, 2, -1},          // 2^31 does not fit either
        {0x40000000, 4, 4, 0x40000000},  // the 64-bit product keeps the exact result
        {-0x7FFFFFFF, 1, 1, -0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
    }
}

TEST(WindowRules, FontHeightIsNegativePixelsAtTheScreenResolution) {
    struct Case {
        std::int32_t points, dpi, expected;
    };
    const std::vector<Case> cases = {
        {10, 96, -13}, {14, 96, -19}, {10, 72, -10}, {12, 96, -16}, {9, 120, -15}, {0, 96, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fontHeight(c.points, c.dpi), c.expected) << c.points << " pt at " << c.dpi;
    }
}

// The value as it lands in the zero-filled 260-byte buffer.
std::string faceFrom(const std::string& bytes) {
    std::vector<char> buffer(kFontFaceBufferSize, '\0');
    std::memcpy(buffer.data(), bytes.data(), std::min(bytes.size(), buffer.size()));
    return fontFaceFromValue(buffer.data(), std::min(bytes.size(), buffer.size()));
}

TEST(WindowRules, FontFaceNeedsATerminatorInsideTheBuffer) {
    EXPECT_EQ(faceFrom(std::string("Lucida Console\0", 15)), "Lucida Console");
    // Stored without its terminator but shorter than the buffer: the zero fill ends it.
    EXPECT_EQ(faceFrom("Consolas"), "Consolas");
    // Bytes after the first terminator are not part of the name.
    EXPECT_EQ(faceFrom(std::string("Arial\0junk", 10)), "Arial");
    // 259 characters and the terminator fill the buffer exactly.
    const std::string longest(259, 'x');
    EXPECT_EQ(faceFrom(longest + '\0'), longest);
    // 260 characters and no room for a terminator: not a name.
    EXPECT_EQ(faceFrom(std::string(260, 'x')), "Courier New");
}

TEST(WindowRules, FontSizeIsFourLittleEndianBytesOrTheDefault) {
    const unsigned char fourteen[4] = {14, 0, 0, 0};
    const unsigned char big[4] = {0x00, 0x01, 0x00, 0x00};
    const unsigned char negative[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(fontSizeFromValue(fourteen, 4), 14);
    EXPECT_EQ(fontSizeFromValue(big, 4), 256);
    EXPECT_EQ(fontSizeFromValue(negative, 4), -1);
    EXPECT_EQ(fontSizeFromValue(fourteen, 2), 10);
    EXPECT_EQ(fontSizeFromValue(fourteen, 0), 10);
}

TEST(WindowRules, ReadOnlyCommandsAreTheNineWritingCommandsInMenuOrder) {
    const std::vector<unsigned> expected = {57603, 57604, 40037, 40038, 40010,
                                            40041, 57635, 40033, 57637};
    EXPECT_EQ(std::vector<unsigned>(kReadOnlyCommands.begin(), kReadOnlyCommands.end()), expected);
    for (unsigned command : {ID_FILE_NEW, ID_FILE_EXIT, ID_EDIT_UNDO, ID_EDIT_COPY, ID_EDIT_FIND,
                             ID_EDIT_FIND_NEXT, ID_EDIT_SELECT_ALL, ID_HELP_ABOUT}) {
        EXPECT_FALSE(isReadOnlyCommand(command)) << command;
    }
    for (unsigned command : expected) EXPECT_TRUE(isReadOnlyCommand(command)) << command;
}

}  // namespace
