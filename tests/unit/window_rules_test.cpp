#include "editor/window_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(WindowRules, TitleTakesLabelOrPathAndMarksReadOnly) {
    const std::string v = "Quillox version 1.3-beta1: ";
    const struct {
        const char* label;
        std::string path;
        bool readOnly;
        std::string expected;
    } cases[] = {
        {"<new document>", "", false, v + "<new document>"},
        {nullptr, "C:\\notes\\diary.exe", false, v + "C:\\notes\\diary.exe"},
        {nullptr, "", true, v + " [read-only]"},  // a never-saved note shows its empty path
        {"", "C:\\a.exe", false, v},              // a label wins over the path, even an empty one
        {"Z:\\tmp\\n.exe", "C:\\a.exe", true, v + "Z:\\tmp\\n.exe [read-only]"},
    };
    for (const auto& c : cases) EXPECT_EQ(composeTitle(c.label, c.path, c.readOnly), c.expected);
}

TEST(WindowRules, SizeDefaultsEachOnItsOwnAndCentringTruncatesEachHalf) {
    const struct {
        std::int32_t width, height, expectedWidth, expectedHeight;
    } sizes[] = {{0, 0, 480, 320}, {0, 700, 480, 700}, {900, 0, 900, 320}, {1, 1, 1, 1}};
    for (const auto& c : sizes) {
        const WindowSize size = windowSizeFromHeader(c.width, c.height);
        EXPECT_EQ(size.width, c.expectedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(size.height, c.expectedHeight) << c.width << " x " << c.height;
    }
    // 1279/2 = 639 and 481/2 = 240: halving the difference instead would give 399. A window
    // larger than the reference starts left of and above it.
    const struct {
        std::int32_t refWidth, refHeight, width, height, x, y;
    } origins[] = {{1280, 1024, 480, 320, 400, 352},
                   {1279, 1023, 481, 321, 399, 351},
                   {800, 600, 1001, 701, -100, -50}};
    for (const auto& c : origins) {
        const WindowOrigin origin = centredOrigin(c.refWidth, c.refHeight, c.width, c.height);
        EXPECT_EQ(origin.x, c.x) << c.refWidth << " / " << c.width;
        EXPECT_EQ(origin.y, c.y) << c.refHeight << " / " << c.height;
    }
}

TEST(WindowRules, MulDivRoundsHalfAwayFromZeroAndReportsOverflow) {
    const struct {
        std::int32_t a, b, c, expected;
    } cases[] = {
        {10, 96, 72, 13},
        {14, 96, 72, 19},
        {3, 1, 2, 2},
        {-3, 1, 2, -2},
        {3, -1, 2, -2},
        {3, 1, -2, -2},
        {-3, -1, -2, -2},
        {5, 1, 4, 1},
        {7, 1, 4, 2},
        {0, 96, 72, 0},
        {1, 1, 0, -1},                   // no denominator
        {0x40000000, 4, 2, -1},          // 2^31 does not fit
        {0x40000000, 4, 4, 0x40000000},  // the 64-bit product keeps the exact result
        {0x7FFFFFFF, 1, 1, 0x7FFFFFFF},
        {-0x7FFFFFFF, 1, 1, -0x7FFFFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
    // The font height is negative pixels at the screen resolution.
    EXPECT_EQ(fontHeight(10, 96), -13);
    EXPECT_EQ(fontHeight(9, 120), -15);
}

// The value as it lands in the zero-filled 260-byte buffer.
std::string faceFrom(const std::string& bytes) {
    std::vector<char> buffer(kFontFaceBufferSize, '\0');
    std::memcpy(buffer.data(), bytes.data(), std::min(bytes.size(), buffer.size()));
    return fontFaceFromValue(buffer.data(), std::min(bytes.size(), buffer.size()));
}

TEST(WindowRules, FontSettingsFromTheirStoredValues) {
    EXPECT_EQ(faceFrom("Consolas"), "Consolas");  // stored without a terminator: the fill ends it
    EXPECT_EQ(faceFrom(std::string("Arial\0junk", 10)), "Arial");
    const std::string longest(259, 'x');  // 259 characters and the terminator fill the buffer
    EXPECT_EQ(faceFrom(longest + '\0'), longest);
    EXPECT_EQ(faceFrom(std::string(260, 'x')), "Courier New");  // no room for a terminator

    const unsigned char big[4] = {0x0E, 0x01, 0x00, 0x00};
    const unsigned char negative[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(fontSizeFromValue(big, 4), 270);
    EXPECT_EQ(fontSizeFromValue(negative, 4), -1);
    EXPECT_EQ(fontSizeFromValue(big, 2), 10);
    EXPECT_EQ(fontSizeFromValue(big, 5), 10);
}

TEST(WindowRules, ReadOnlyBlocksTheWritingCommandsOnly) {
    for (unsigned command : kReadOnlyCommands) EXPECT_TRUE(isReadOnlyCommand(command)) << command;
    for (unsigned command : {ID_FILE_NEW, ID_FILE_EXIT, ID_EDIT_UNDO, ID_EDIT_COPY, ID_EDIT_FIND,
                             ID_EDIT_SELECT_ALL, ID_HELP_ABOUT})
        EXPECT_FALSE(isReadOnlyCommand(command)) << command;
}

}  // namespace
