#include <gtest/gtest.h>

#include "storage/note_document.h"
#include "storage/passphrase.h"
#include "storage/passphrase_strength.h"

namespace {

// The bytes of each key form; "-" where the form adds nothing to try.
TEST(Passphrase, KeyBytesFollowOneRuleAndOlderFormsAreTriedWithTheRightWarning) {
    struct Case {
        std::u16string passphrase;
        unsigned codePage;
        std::string exact, utf8, marks;
    };
    const Case cases[] = {
        {u"pw1", 1252, "pw1", "-", "-"},
        {u"Grüße", 1252,
         "Gr\xFC\xDF"
         "e",
         "Gr\xC3\xBC\xC3\x9F"
         "e",
         "-"},
        {u"€", 1252, "\x80", "\xE2\x82\xAC", "-"},
        {u"ключ", 1252, "\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87", "-", "????"},
        {u"ключ", 1251, "\xEA\xEB\xFE\xF7", "\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87", "-"},
        {u"a∑b", 1252,
         "a\xE2\x88\x91"
         "b",
         "-", "a?b"},  // no best-fit "S"
        {u"ä😀", 1252, "\xC3\xA4\xF0\x9F\x98\x80", "-", "\xE4?"},
        {{char16_t(0xD7FF), char16_t(0xDC00)},
         1252,
         "\xED\x9F\xBF\xEF\xBF\xBD",
         "-",
         "??"},  // no pair
    };
    for (const Case& c : cases) {
        String bytes;
        const KeyForm forms[] = {KeyForm::Exact, KeyForm::Utf8, KeyForm::QuestionMarks};
        const std::string want[] = {c.exact, c.utf8, c.marks};
        for (int f = 0; f < 3; ++f)
            EXPECT_EQ(want[f], keyBytes(c.passphrase, c.codePage, forms[f], bytes) ? bytes : "-")
                << c.exact << " form " << f;
    }
    const auto opened = [](const std::string& keyedBy, const std::u16string& typed) {
        NoteDocument doc;
        doc.setKey(keyedBy);
        doc.setText("memo");
        String text;
        const Opened how = openWithPassphrase(doc, typed, 1252, &text);
        EXPECT_TRUE(how == Opened::No || text == "memo");
        return how;
    };
    EXPECT_EQ(Opened::Fully, opened("\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87", u"ключ"));
    EXPECT_EQ(Opened::No, opened("\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87", u"шифр"));
    EXPECT_EQ(Opened::Weakened, opened("????", u"ключ"));
    EXPECT_EQ(Opened::Fully, opened("Gr\xC3\xBC\xC3\x9F"
                                    "e",
                                    u"Grüße"));  // an older tool's
    EXPECT_EQ(Opened::No, opened("Gr?"
                                 "?e",
                                 u"Grüße"));

    EXPECT_EQ(PassphraseProblem::Empty, passphraseProblem(u""));
    EXPECT_EQ(PassphraseProblem::Nul, passphraseProblem(std::u16string(u"a\0b", 3)));
    EXPECT_EQ(PassphraseProblem::None, passphraseProblem(u" "));
}

TEST(Passphrase, FilesAreReadAsUtf8OrUtf16ByTheirMarkElseInTheCodePage) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"\xEF\xBB\xBFpw\xC3\xA4\r\n", u"pwä\r\n"},
        {std::string("\xFF\xFEp\0\x3A\x04", 6), u"pк"},
        {std::string("\xFE\xFF\0p\x04\x3A", 6), u"pк"},
        {"caf\xE9", u"café"},
        {std::string("p\0w\0", 4), std::u16string(u"p\0w\0", 4)},  // no mark: not UTF-16
    };
    for (const auto& [bytes, text] : cases) {
        U16String out = u"old";
        decodePassphraseFile(bytes, 1252, out);
        EXPECT_EQ(text, out) << bytes;
    }
}

// Guesses come cheap for what guessers try first; characters are code points.
TEST(Passphrase, StrengthIsLowForWhatGuessersTryFirst) {
    const std::pair<const char16_t*, bool> weak[] = {
        {u"abc123", true},
        {u"Password1", true},
        {u"qwertyuiop", true},
        {u"zzzzzzzzzzzzzzzz", true},
        {u"abcdefghijklmnop", true},
        {u"19.07.1987", true},
        {u"Summer2024!", true},
        {u"йцукенгшщз", true},
        {u"Ключ от заметок 2026!", true},
        {u"correct horse battery staple", true},
        {u"correct-horse_battery.staple", true},
        {u"correct horse battery staple quietly", false},
        {u"k8#Vq2!mZp7@Lw4x", false},
        {u"Np5521#harbor-pass", false},
        {u"我的密码很安全", false},
        {u"😀😀😀😀😀😀😀😀", true},
        {u"😀🎉🐧🚀🌵🍕🎸🧩", false},
    };
    for (const auto& [passphrase, isWeak] : weak)
        EXPECT_EQ(isWeak, isWeakPassphrase(passphraseBits(passphrase)))
            << passphraseBits(passphrase) << " bits";
    // Bounds where a pattern alone decides: a capital, a word's last letter, both directions of
    // a sequence no keyboard row holds and of a row's keys (from four on, to its first key), the
    // last year there is, no date without its separators, a capital that only starts a word, and
    // the last letter of Latin Extended-B.
    const std::tuple<const char16_t*, double, double> bounds[] = {
        {u"Abc123", 0, 10},       {u"pizza", 13, 14},      {u"klmnopqrstuv", 0, 12},
        {u"vutsrqponmlk", 0, 12}, {u"31x12x1999", 30, 40}, {u"31.12.1999", 16, 17},
        {u"tkvrdbpizza", 50, 53},  // a word only where a run of letters begins
        {u"sdfghjkl", 8, 10},     {u"lkjhgfdsa", 9, 9.5},  {u"zxc", 14, 15},
        {u"2099", 7, 8},          {u"Zupotan", 14, 14.5},  {u"\u024Fa\u024Fa\u024Fa", 13, 13.5},
        {u"PIZZA", 15, 15.5},     {u"Яяяя", 8, 8.5},       {u"Ωωωω", 8, 8.5},  // last capitals
        {u"Ёёёё", 8, 8.5},  // a capital from before Cyrillic А
    };
    for (const auto& [passphrase, low, high] : bounds) {
        EXPECT_LE(low, passphraseBits(passphrase)) << std::u16string(passphrase).size();
        EXPECT_GT(high, passphraseBits(passphrase)) << std::u16string(passphrase).size();
    }
    EXPECT_EQ("weak \xE2\x80\x94 a graphics card would guess it in less than a second",
              strengthInWords(passphraseBits(u"abc123")));
    EXPECT_EQ("weak \xE2\x80\x94 a graphics card would guess it in about 2 minutes",
              strengthInWords(41.1));
    EXPECT_EQ("weak \xE2\x80\x94 a graphics card would guess it in about 29 minutes",
              strengthInWords(45));
    EXPECT_EQ("weak \xE2\x80\x94 a graphics card would guess it in about 1 year",
              strengthInWords(59));
    EXPECT_EQ("strong", strengthInWords(60));
}

}  // namespace
