#include "editor/command_rules.h"
#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/out_of_memory.h"
#include "storage/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

TEST(TextEncoding, Utf8AndCodePagesAreCheckedAndConverted) {
    struct Case {
        std::string bytes;
        bool valid;
        std::u16string text;
    };
    const Case cases[] = {
        {"Gr\xC3\xBC\xC3\x9F!", true, u"Grüß!"},
        {"\xD0\x9F\xD1\x80\xE4\xB8\xAD\xF0\x9F\x98\x80", true, u"Пр中😀"},
        {"caf\xE9", false, u"caf\uFFFD"},                          // a Windows-1252 byte
        {"\xC0\xAF", false, u"\uFFFD\uFFFD"},                      // overlong "/"
        {"\xED\xA0\x80", false, u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", false, u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xE2\x82", false, u"\uFFFD\uFFFD"},                      // cut short
        // The second byte's range at each edge of Unicode Table 3-7.
        {"\xDF\xBF\xE1\x80\x80\xE0\xA0\x80\xED\x9F\xBF", true, u"\u07FF\u1000\u0800\uD7FF"},
        {"\xE0\x9F\xBF", false, u"\uFFFD\uFFFD\uFFFD"},  // overlong U+07FF
        {"\xF4\x8F\xBF\xBF", true, u"\U0010FFFF"},
        {"\xF0\x90\x80\x80", true, u"\U00010000"},  // the lowest pair, D800 DC00
        {"\xF3\xA0\x80\x81", true, u"\U000E0001"},  // every bit of a four-byte lead counts
        {"\x7F", true, u"\x7F"},                    // the highest ASCII byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.valid, isValidUtf8(c.bytes)) << c.bytes;
        EXPECT_EQ(c.text, utf8ToUtf16(c.bytes)) << c.bytes;
        EXPECT_TRUE(!c.valid || c.bytes == utf16ToUtf8(c.text)) << c.bytes;
    }
    EXPECT_EQ("\xEF\xBF\xBD", utf16ToUtf8(u"\xD83D"));  // an unpaired surrogate
    EXPECT_EQ(u"\u20AC\u0081\u02DC\u017E\u0178\u00FF", cp1252ToUtf16("\x80\x81\x98\x9E\x9F\xFF"));
    U16String cyrillic = u"replaced";  // other code pages come from the platform
    EXPECT_TRUE(fromCodePage("\xCF\xF0\xE8\x98", 1251, cyrillic));  // 0x98: not in it
    EXPECT_EQ(u"При", cyrillic.substr(0, 3));
    EXPECT_EQ(4u, cyrillic.size());
    EXPECT_EQ(5u, utf8Boundary("ab\xE2\x82\xAC"));
    EXPECT_EQ(4u, utf8Boundary("ab\xDF\x80"));
    EXPECT_EQ(2u, utf8Boundary("ab\xE2\x82"));  // a read cut the last character
    EXPECT_EQ(2u, utf8Boundary("ab\xF0\x9F\x98"));
}

// A CR at the end of a chunk waits for the next, where its LF is; a lone byte must go out, or the
// stream would stall.
TEST(TextEncoding, LineEndsAreConvertedCountedOnceAndNeverSplit) {
    const struct {
        std::string chunk;
        std::size_t handed;
    } cases[] = {{"abc\r", 3}, {"abc\r\n", 5}, {"\r", 1}, {"\r\r", 1}, {"abc", 3}};
    for (const auto& c : cases)
        EXPECT_EQ(c.handed, chunkWithoutSplitLineEnd(c.chunk.data(), c.chunk.size())) << c.chunk;
    EXPECT_EQ(5u, controlCharacters(u"ab\r\nc\n"));
    EXPECT_EQ(4u, controlCharacters(u"\r\r\n\n\r"));
    EXPECT_EQ(4u, controlCharacters(u"a\r\n😀"));  // UTF-16 units, a CR LF pair as one
    // Nothing past the end of a view is read, whatever follows it in memory.
    EXPECT_TRUE(isValidUtf8(std::string_view("ab\xFF", 2)));
    EXPECT_EQ("a\r", crlfToLf(std::string_view("a\r\n", 2)));
    EXPECT_EQ(u"a\r\nb\r\n\r\n", lfToCrlf(u"a\nb\r\n\n"));
    EXPECT_EQ("a\nb\r", crlfToLf("a\r\nb\r"));
}

#ifdef _WIN32
// The ANSI code page here is 1252: what fits it is stored as its bytes, anything else as UTF-8.
TEST(TextEncoding, NotesStoreCodePageBytesOnlyForTextThatFitsExactly) {
    struct Case {
        std::u16string text;
        bool utf8;
        std::string bytes;
    };
    const Case cases[] = {
        {u"Grüß, café", false, "Gr\xFC\xDF, caf\xE9"},
        {u"€ – …", false, "\x80 \x96 \x85"},
        {u"∑", true, "\xE2\x88\x91"},  // best fit would give "S"
        {u"Ā", true, "\xC4\x80"},      // best fit would give "A"
        {u"\u00A0x", false, "\xA0x"},  // a non-breaking space is in the code page
        {u"Привет 😀", true, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        const StoredText stored = storedFormOf(c.text);
        EXPECT_EQ(c.utf8, stored.utf8) << stored.bytes;
        EXPECT_EQ(c.bytes, stored.bytes);
        EXPECT_EQ(c.text, textOfStoredForm(stored.bytes, stored.utf8));
    }
}
#endif

// The one growable array every text and byte buffer is.
TEST(Buffer, GrowsFromItsOwnTextEndsInAZeroAndCutsPastTheEndToNothing) {
    String s = "abc";
    for (int i = 0; i < 6; ++i) s.append(s.data() + 1, s.size() - 1);  // its block moves under it
    EXPECT_EQ(129u, s.size());
    EXPECT_EQ("abcbc", s.substr(0, 5));
    EXPECT_EQ(s.size(), std::strlen(s.c_str()));
    s.erase(1, 126);
    s.insert(1, "XY");
    EXPECT_EQ("aXYbc", s);
    EXPECT_EQ(5u, std::strlen(s.c_str()));
    EXPECT_EQ("", s.substr(9));
    EXPECT_EQ("bc", slice(std::string_view("abc"), 1, 9));
    EXPECT_EQ("", slice(std::string_view("abc"), 4));
    EXPECT_EQ("0", decimal(0));
    EXPECT_EQ("18446744073709551615", decimal(UINT64_MAX));
    Bytes b(3, 7);
    b.resize(1);
    EXPECT_EQ(Bytes{7}, b);
    EXPECT_EQ(0, b.data()[1]);
    // A size no allocation can give ends the program through its notice, never by wrapping round.
    EXPECT_DEATH(
        {
            setOutOfMemoryNotice([] { std::fputs("noticed", stderr); });
            b.reserve(SIZE_MAX / 2);
        },
        "noticed");
}

}  // namespace
