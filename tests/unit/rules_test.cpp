// The rules of the editor and its start that need no window: tested here on every platform.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/command_rules.h"
#include "editor/search_rules.h"
#include "editor/view_rules.h"
#include "editor/window_rules.h"
#include "startup/command_line.h"
#include "startup/temp_name.h"
#include "storage/note_identity.h"

namespace {

using A = CommandLine::Action;

const struct {
    std::vector<const char*> arguments;  // after the executable's own path
    A action;
    bool eraseOnExit;
    const char *notePath, *erasePath;
} kCases[] = {
    {{}, A::Continue, false, "", ""},
    {{"-edit:D:\\notes\\list.exe"}, A::Continue, true, "D:\\notes\\list.exe", ""},
    {{"-Edit:C:\\My Notes\\a b.exe"}, A::Continue, true, "C:\\My Notes\\a b.exe", ""},
    {{"-edit:"}, A::Continue, true, "", ""},
    {{"-edit:first.exe", "-edit:second.exe"}, A::Continue, true, "second.exe", ""},
    {{"-edit"}, A::Malformed, false, "", ""},
    {{"-ERASE"}, A::Malformed, false, "", ""},
    {{"-editnotes.exe"}, A::Malformed, false, "", ""},
    {{"-erase:C:\\Temp\\Quillox-1A2B.exe"}, A::Erase, false, "", "C:\\Temp\\Quillox-1A2B.exe"},
    {{"-edit:n.exe", "-erase:t.exe", "-edit:other.exe"}, A::Erase, true, "n.exe", "t.exe"},
    {{"-erase:t.exe", "-edit"}, A::Erase, false, "", "t.exe"},
    {{"-edit", "-erase:t.exe"}, A::Malformed, false, "", ""},
    {{"C:\\backup-erase:\\-edit:x.exe", "x-erase:y", "notes-EDIT:z"}, A::Continue, false, "", ""},
    {{"-edit:C:\\old-erase:\\n.exe"}, A::Continue, true, "C:\\old-erase:\\n.exe", ""},
    // The value follows the first colon.
    {{"-edit::C:\\n.exe"}, A::Continue, true, ":C:\\n.exe", ""},
    {{"-editor:n.exe"}, A::Continue, true, "n.exe", ""},
};

TEST(CommandLine, SwitchGrammar) {
    for (const auto& c : kCases) {
        std::vector<const char*> argv{"-erase:C:\\quillox.exe"};  // its own path: never a switch
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
        const CommandLine line = parseArguments(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.notePath, c.notePath);
        EXPECT_EQ(line.eraseOnExit, c.eraseOnExit);
        EXPECT_EQ(line.erasePath, c.erasePath);
    }
}

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

// Each search starts past the last hit in its own direction (the hit's end going down, its start
// going up), so it is not found again; a miss turns around to the top going down, the end going up.
TEST(SearchRules, EachSearchStartsPastTheLastHitAndTurnsAroundAfterAMiss) {
    constexpr std::int32_t length = 28;
    const struct {
        std::int64_t answer;
        TextSpan match;
        bool down;
        std::int32_t from;  // where the next search in the same direction starts
    } cases[] = {
        {5, {5, 9}, true, 9},    {0, {0, 3}, true, 3},      {-1, {-1, -1}, true, 0},
        {-1, {11, 16}, true, 0}, {0, {0, -1}, true, 0},     {23, {23, 28}, false, 23},
        {0, {0, 5}, false, 0},   {-1, {-1, -1}, false, 28}, {-1, {11, 16}, false, 28},
    };
    for (const auto& c : cases) {
        const TextSpan next =
            searchSpan(nextAnchor(c.answer, c.match, c.down, length), c.down, length);
        EXPECT_EQ(next.start, c.from) << c.answer << ", " << c.match.end << ", " << c.down;
        EXPECT_EQ(next.end, c.down ? -1 : 0) << "to the end going down, to the top going up";
    }
    // Turning around after a hit passes it either way; a start beyond a shrunken text is its end.
    EXPECT_EQ(searchSpan({11, 16}, true, length).start, 16);
    EXPECT_EQ(searchSpan({11, 16}, false, length).start, 11);
    EXPECT_EQ(searchSpan({40, 40}, false, length).start, length);
}

// Lines are the text's own, whichever line end ends them; a tab is one column.
TEST(ViewRules, LinesColumnsZoomAndStatusTexts) {
    const std::u16string text = u"ab\tc\rde\r\nf\n\ng";
    const struct {
        std::size_t before;
        std::int32_t line, column;
    } places[] = {{0, 1, 1}, {4, 1, 5}, {5, 2, 1}, {7, 2, 3}, {9, 3, 1}, {11, 4, 1}, {13, 5, 2}};
    const auto number = [](CaretPlace place) { return place.line * 1000 + place.column; };
    const std::u16string_view all(text);
    for (const auto& p : places)
        EXPECT_EQ(p.line * 1000 + p.column, number(scanLines({}, all.substr(0, p.before)).place))
            << p.before;
    std::vector<std::int32_t> starts;
    for (std::int32_t line = 0; line <= 6; ++line) starts.push_back(lineStart(text, line));
    EXPECT_EQ((std::vector<std::int32_t>{-1, 0, 5, 9, 11, 12, -1}), starts);
    EXPECT_EQ(0, lineStart(u"", 1));
    // Kept every few units and fed in pieces that end anywhere (inside the CR LF too), the map
    // finds each place and each line start from one stretch as the whole text does.
    for (const std::int32_t stride : {1, 2, 3, 5}) {
        LineMap map(stride);
        map.reset(static_cast<std::int32_t>(text.size()));
        for (std::size_t from = 0; from < text.size(); from += 4) map.extend(all.substr(from, 4));
        for (std::int32_t offset = 0; offset <= map.length(); ++offset) {
            const LineMap::Mark mark = map.markAt(offset);
            const auto stretch = all.substr(mark.offset, offset - mark.offset);
            EXPECT_EQ(number(scanLines({}, all.substr(0, offset)).place),
                      number(scanLines(mark.scan, stretch).place))
                << stride << ", " << offset;
        }
        for (std::int32_t line = 0; line <= 6; ++line) {
            const LineMap::Stretch s = map.stretchOf(line);
            const std::int32_t start =
                lineStart(all.substr(s.from.offset, s.end - s.from.offset), line, s.from.scan);
            EXPECT_EQ(starts[line], start < 0 ? -1 : s.from.offset + start)
                << stride << ", " << line;
        }
        EXPECT_EQ(5, map.end().place.line);
    }

    EXPECT_EQ((std::vector<int>{110, 500, 90, 10, 100}),
              (std::vector<int>{zoomStepped(100, 1), zoomStepped(500, 1), zoomStepped(100, -1),
                                zoomStepped(10, -1), zoomPercent(0, 0)}));
    EXPECT_EQ(150, zoomPercent(3, 2));
    EXPECT_EQ("Ln 1, Col 1\t0 characters\tANSI\t", statusTexts({{1, 1}, 0, 100, false, false}));
    EXPECT_EQ("Ln 12, Col 305\t1 character\t90%\tUTF-8\tRead-only\t",
              statusTexts({{12, 305}, 1, 90, true, true}));
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

// Directory, product, hyphen, four hex digits and ".exe", where that fits; only such copies in the
// temporary folder count as disposable.
TEST(TempName, BuiltToFitAndDisposableOnlyInTheTemporaryFolder) {
    const std::string dir = "C:\\Users\\me\\AppData\\Local\\Temp\\";
    // Values beyond the generator's 15 bits never give a fifth digit.
    const struct {
        unsigned value;
        const char* digits;
    } cases[] = {{0x1A2B, "1A2B"}, {0, "0000"},       {0xF, "000F"},        {0xC0DE, "40DE"},
                 {0x7FFF, "7FFF"}, {0x18000, "0000"}, {0xFFFFFFFFu, "7FFF"}};
    for (const auto& c : cases) {
        String name;
        ASSERT_TRUE(buildTempName(dir, c.value, name));
        EXPECT_EQ(name, dir + "Quillox-" + c.digits + ".exe");
        EXPECT_TRUE(isTempName(dir, name)) << name;
    }
    // "Quillox-XXXX.exe" is 16 characters; 260 is the longest path the buffers hold.
    for (std::size_t length : {244u, 245u, 400u}) {
        String name = "untouched";
        const std::string directory(length, 'd');
        EXPECT_EQ(buildTempName(directory, 1, name), length == 244) << length;
        EXPECT_EQ(name, length == 244 ? directory + "Quillox-0001.exe" : "untouched");
    }
    // Windows compares names without regard to case.
    EXPECT_TRUE(isTempName(dir, dir + "quillox-7fff.EXE"));
    EXPECT_TRUE(isTempName(dir, "c:\\users\\ME\\appdata\\local\\temp\\Quillox-0000.exe"));
    for (const std::string& path :
         {"C:\\Users\\me\\AppData\\Local\\Tmp_\\Quillox-1A2B.exe"s,  // same length
          dir + "sub\\Quillox-1A2B.exe", dir + "Quillox-1A2G.exe", dir + "Quillox-1A2.exe",
          dir + "Quillox_1A2B.exe", dir + "Quillox-1A2B.exe.lnk"})
        EXPECT_FALSE(isTempName(dir, path)) << path;
    EXPECT_FALSE(isTempName("", "Quillox-1A2B.exe"));
}

// "Same note or changed": a save overwrites its note file without asking only when the file
// matches the one the document read or wrote in size, time, IV and digest alike.
TEST(NoteIdentity, OnlyAFileThatMatchesInEveryPartIsTheSameNote) {
    NoteIdentity read{true, 204800, 133000000000000000u};
    const NoteIdentity noRecord = read;  // its IV and digest zero
    read.iv.fill(7);
    read.digest.fill(9);
    NoteIdentity newTime = read, newSize = read, newIv = read, newDigest = read;
    ++newTime.lastWrite;       // a setting rewritten beside the record
    newSize.size += 512;       // a new editor image
    newIv.iv[15] ^= 1;         // saved elsewhere within a coarse time step
    newDigest.digest[0] ^= 1;  // a text encrypted under the same IV
    // The last: deleted or renamed.
    const NoteIdentity changed[] = {newTime, newSize, newIv, newDigest, noRecord, NoteIdentity()};
    for (std::size_t i = 0; i < std::size(changed); ++i) {
        EXPECT_FALSE(sameNote(read, changed[i])) << i;
        EXPECT_FALSE(sameNote(changed[i], read)) << i << ", seen the other way";
    }
    EXPECT_TRUE(sameNote(read, read));
    EXPECT_TRUE(sameNote(NoteIdentity(), NoteIdentity())) << "gone, and still gone";
}

TEST(WindowRules, TitleTakesLabelOrPathAndReadOnlyBlocksTheWritingCommandsOnly) {
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
    for (unsigned command : kReadOnlyCommands) EXPECT_TRUE(isReadOnlyCommand(command)) << command;
    for (unsigned command : {ID_FILE_NEW, ID_FILE_EXIT, ID_EDIT_UNDO, ID_EDIT_COPY, ID_EDIT_FIND,
                             ID_EDIT_SELECT_ALL, ID_HELP_ABOUT})
        EXPECT_FALSE(isReadOnlyCommand(command)) << command;
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
    } origins[] = {{1279, 1023, 481, 321, 399, 351}, {800, 600, 1001, 701, -100, -50}};
    for (const auto& c : origins) {
        const WindowOrigin origin = centredOrigin(c.refWidth, c.refHeight, c.width, c.height);
        EXPECT_EQ(origin.x, c.x) << c.refWidth << " / " << c.width;
        EXPECT_EQ(origin.y, c.y) << c.refHeight << " / " << c.height;
    }
}

// Header sizes are 96-DPI units: scaled to a monitor's pixels and back to the same units, at every
// DPI from 96 up; an unknown DPI and a size beyond 32 bits are left as they are.
TEST(WindowRules, SizesInUnitsScaleToPixelsAndBack) {
    const struct {
        std::int32_t units, dpi, pixels;
    } cases[] = {{640, 144, 960}, {400, 144, 600}, {480, 144, 720},
                 {320, 144, 480}, {641, 120, 801}, {640, 192, 1280},
                 {640, 96, 640},  {640, 0, 640},   {96, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.pixels, pixelsFromUnits(c.units, c.dpi)) << c.units << " at " << c.dpi;
        EXPECT_EQ(c.units, unitsFromPixels(c.pixels, c.dpi)) << c.pixels << " at " << c.dpi;
    }
    for (std::int32_t dpi : {96, 110, 120, 144, 168, 192, 240, 288, 480})
        for (std::int32_t units : {1, 99, 321, 641, 1023, 4001})
            EXPECT_EQ(units, unitsFromPixels(pixelsFromUnits(units, dpi), dpi))
                << units << " at " << dpi;
    EXPECT_EQ(0x7FFFFFFF, pixelsFromUnits(0x7FFFFFFF, 144));
}

// The value as it lands in the zero-filled 260-byte buffer.
std::string faceFrom(const std::string& bytes) {
    std::vector<char> buffer(kFontFaceBufferSize, '\0');
    std::memcpy(buffer.data(), bytes.data(), std::min(bytes.size(), buffer.size()));
    return fontFaceFromValue(buffer.data(), std::min(bytes.size(), buffer.size()));
}

// The font height is negative pixels at the screen resolution, as mulDiv gives them: rounded half
// away from zero, -1 on overflow.
TEST(WindowRules, FontSettingsFromTheirStoredValuesAndMulDiv) {
    // clang-format off
    const struct {
        std::int32_t a, b, c, expected;
    } cases[] = {
        {10, 96, 72, 13}, {14, 96, 72, 19}, {3, 1, 2, 2}, {-3, 1, 2, -2}, {3, -1, 2, -2},
        {3, 1, -2, -2}, {-3, -1, -2, -2}, {5, 1, 4, 1}, {7, 1, 4, 2}, {0, 96, 72, 0},
        {1, 1, 0, -1},                   // no denominator
        {0x40000000, 4, 2, -1},          // 2^31 does not fit
        {0x40000000, 4, 4, 0x40000000},  // the 64-bit product keeps the exact result
        {0x7FFFFFFF, 1, 1, 0x7FFFFFFF}, {-0x7FFFFFFF, 1, 1, -0x7FFFFFFF},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(mulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
    EXPECT_EQ(fontHeight(9, 120), -15);
    EXPECT_EQ(faceFrom("Consolas"), "Consolas");  // stored without a terminator: the fill ends it
    EXPECT_EQ(faceFrom(std::string("Arial\0junk", 10)), "Arial");
    const std::string longest(259, 'x');  // 259 characters and the terminator fill the buffer
    EXPECT_EQ(faceFrom(longest + '\0'), longest);
    EXPECT_EQ(faceFrom(std::string(260, 'x')), "Courier New");  // no room for a terminator

    const unsigned char big[4] = {0x0E, 0x01, 0x00, 0x00};
    const unsigned char negative[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(fontSizeFromValue(big, 4), 270);
    EXPECT_EQ(fontSizeFromValue(negative, 4), -1);
    EXPECT_EQ(fontSizeFromValue(big, 5), 10);
}

}  // namespace
