#include "storage/passphrase_strength.h"

#include <cmath>

#include "storage/buffer.h"
#include "storage/wipe.h"

namespace {

// The passwords a guesser tries first, most common first (a guess costs log2 of its rank): the
// head of the lists leaked passwords are ranked by, in several languages. Short on purpose, as
// every note carries it.
constexpr char kCommonPasswords[] =
    "password 123456 dragon abc123 football monkey letmein shadow master mustang michael "
    "superman 1qaz2wsx trustno1 batman sunshine iloveyou charlie daniel starwars computer "
    "michelle jessica freedom pass 159753 princess summer love ashley access thunder welcome "
    "admin login passw0rd qwerty hello secret whatever 1q2w3e q1w2e3r4 zaq12wsx root guest "
    "changeme default test p@ssw0rd p@ssword lovely angel baby babygirl butterfly flower "
    "liverpool arsenal barcelona chocolate cookie purple orange banana apple google internet "
    "superstar pokemon minecraft mypass passwort hallo schatz geheim fussball motdepasse soleil "
    "bonjour contrasena ciao amore parola haslo kochanie parol privet ljubov winter spring "
    "autumn january";

// Keyboard rows as typed from left to right (US, German, French and Russian layouts).
constexpr const char16_t* kKeyboardRows[] = {
    u"`1234567890-=", u"qwertyuiop[]", u"asdfghjkl;'", u"zxcvbnm,./", u"qwertzuiop",
    u"yxcvbnm",       u"azertyuiop",   u"qsdfghjklm",  u"wxcvbn",     u"1qaz2wsx3edc4rfv5tgb",
    u"йцукенгшщзхъ",  u"фывапролджэ",  u"ячсмитьбю"};

constexpr double kWordBits = 13;      // a word of a large vocabulary: 8192 words
constexpr double kShortWordBits = 8;  // one of the few hundred two-letter words
constexpr double kSeparatorBits = 2;  // a blank, dash, dot or underscore between words or numbers
constexpr double kYearBits = 7.64;    // 1900 to 2099
constexpr double kDateBits = 16.2;    // a day of one of 200 years

char32_t lower(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0x410 && c <= 0x42F) || (c >= 0x391 && c <= 0x3A9))
        return c + 0x20;
    if (c >= 0x400 && c < 0x410) return c + 0x50;
    return c;
}

bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}
bool isLetter(char32_t c) {
    return (lower(c) >= U'a' && lower(c) <= U'z') ||
           (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x52F);
}
bool isVowel(char32_t c) {
    static constexpr char32_t kVowels[] = U"aeiouyäöüéèêàáíóúåæøаеёиоуыэюяαεηιουω";
    for (char32_t v : kVowels)
        if (v && lower(c) == v) return true;
    return false;
}
bool isWordOrNumber(char32_t c) {
    return isLetter(c) || isDigit(c);
}
bool isSeparator(char32_t c) {
    return c == U' ' || c == U'-' || c == U'_' || c == U'.';
}

// The alphabet a guesser who tries every combination must cover.
double characterBits(const Buffer<char32_t>& text) {
    bool lowerCase = false, upperCase = false, digit = false, symbol = false, other = false,
         ideograph = false;
    for (char32_t c : text) {
        if (c >= U'a' && c <= U'z')
            lowerCase = true;
        else if (c >= U'A' && c <= U'Z')
            upperCase = true;
        else if (isDigit(c))
            digit = true;
        else if (c < 0x80)
            symbol = true;
        else if (c < 0x3000)
            other = true;
        else
            ideograph = true;
    }
    const double pool = 26.0 * lowerCase + 26.0 * upperCase + 10.0 * digit + 33.0 * symbol +
                        66.0 * other + 2048.0 * ideograph;
    return std::log2(pool);
}

std::size_t runLength(const Buffer<char32_t>& s, std::size_t i, int step) {
    std::size_t k = 1;
    while (i + k < s.size() &&
           static_cast<long>(s[i + k]) - static_cast<long>(s[i + k - 1]) == step)
        ++k;
    return k;
}

std::size_t keyboardRun(const Buffer<char32_t>& s, std::size_t i) {
    std::size_t best = 0;
    for (const char16_t* row : kKeyboardRows) {
        const std::u16string_view r(row);
        for (int direction : {1, -1}) {
            for (std::size_t at = 0; at < r.size(); ++at) {
                std::size_t k = 0;
                for (long p = static_cast<long>(at);
                     p >= 0 && p < static_cast<long>(r.size()) && i + k < s.size() &&
                     s[i + k] == r[static_cast<std::size_t>(p)];
                     p += direction)
                    ++k;
                if (k > best) best = k;
            }
        }
    }
    return best;
}

bool isDayMonth(unsigned day, unsigned month) {
    return day >= 1 && day <= 31 && month >= 1 && month <= 12;
}

// Dates as people write them: d, m and y stand for digits, "." for one separator (".", "/" or
// "-", the same throughout).
constexpr const char* kDatePatterns[] = {"dd.mm.yyyy", "yyyy.mm.dd", "d.m.yyyy", "dd.mm.yy",
                                         "ddmmyyyy",   "yyyymmdd",   "ddmmyy",   "yyyy"};

// The length of the longest date (or year) at `i` and whether it is a year alone; 0 when none.
std::size_t dateAt(const Buffer<char32_t>& s, std::size_t i, bool& yearOnly) {
    for (const char* pattern : kDatePatterns) {
        unsigned day = 0, month = 0, year = 0;
        char32_t separator = 0;
        std::size_t k = 0;
        for (; pattern[k] && i + k < s.size(); ++k) {
            const char32_t c = s[i + k];
            if (pattern[k] == '.') {
                if ((c != U'.' && c != U'/' && c != U'-') || (separator && c != separator)) break;
                separator = c;
                continue;
            }
            if (!isDigit(c)) break;
            unsigned& part = pattern[k] == 'd' ? day : pattern[k] == 'm' ? month : year;
            part = part * 10 + static_cast<unsigned>(c - U'0');
        }
        yearOnly = pattern[0] == 'y' && pattern[4] == '\0';
        const bool wholeYear = year >= 1900 && year < 2100;
        if (!pattern[k] && (yearOnly ? wholeYear
                                     : (isDayMonth(day, month) || isDayMonth(month, day)) &&
                                           (wholeYear || year < 100)))
            return k;
    }
    return 0;
}

// The length of the common password at `i` and its rank among them, the longest match.
std::size_t commonAt(const Buffer<char32_t>& s, std::size_t i, std::size_t& rank) {
    std::size_t best = 0, index = 0;
    const std::string_view list(kCommonPasswords);
    for (std::size_t at = 0; at < list.size(); ++index) {
        std::size_t end = list.find(' ', at);
        if (end == std::string_view::npos) end = list.size();
        const std::size_t n = end - at;
        bool same = n >= 3 && i + n <= s.size();
        for (std::size_t k = 0; same && k < n; ++k)
            same = s[i + k] == static_cast<unsigned char>(list[at + k]);
        if (same && n > best) {
            best = n;
            rank = index;
        }
        at = end + 1;
    }
    return best;
}

struct Cheapest {
    Buffer<double> bits;
    void offer(std::size_t from, std::size_t to, double cost) {
        if (bits[from] + cost < bits[to]) bits[to] = bits[from] + cost;
    }
};

}  // namespace

double passphraseBits(std::u16string_view passphrase) {
    // The passphrase's code points as typed and in lower case: sized once, wiped below.
    Buffer<char32_t> typed, s;
    typed.reserve(passphrase.size());
    s.reserve(passphrase.size());
    for (std::size_t i = 0; i < passphrase.size(); ++i) {
        char32_t c = passphrase[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < passphrase.size() && passphrase[i + 1] >= 0xDC00 &&
            passphrase[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (passphrase[++i] - 0xDC00);
        typed.push_back(c);
        s.push_back(lower(c));
    }
    const std::size_t n = s.size();
    const double charBits = n ? characterBits(typed) : 0;
    Cheapest best{Buffer<double>(n + 1, HUGE_VAL)};
    best.bits[0] = 0;
    for (std::size_t i = 0; i < n; ++i) {
        best.offer(i, i + 1, charBits);
        for (int step : {0, 1, -1}) {
            const std::size_t k = runLength(s, i, step);
            if (k >= 3) best.offer(i, i + k, (step ? 4.0 + (step < 0) : charBits) + std::log2(k));
        }
        const std::size_t keys = keyboardRun(s, i);
        if (keys >= 4) best.offer(i, i + keys, 6 + std::log2(keys));
        std::size_t rank = 0;
        if (const std::size_t common = commonAt(s, i, rank)) {
            bool capitals = false;
            for (std::size_t k = i; k < i + common; ++k) capitals |= typed[k] != s[k];
            best.offer(i, i + common, std::log2(rank + 2.0) + capitals);
        }
        bool yearOnly = false;
        if (const std::size_t date = dateAt(s, i, yearOnly))
            best.offer(i, i + date, yearOnly ? kYearBits : kDateBits);
        if (isLetter(s[i]) && (i == 0 || !isLetter(s[i - 1]))) {
            std::size_t k = 0, vowels = 0;
            for (; i + k < n && isLetter(s[i + k]); ++k) vowels += isVowel(s[i + k]);
            if (k >= 2 && vowels * 5 >= k) {
                std::size_t capitals = 0;
                for (std::size_t j = i; j < i + k; ++j) capitals += typed[j] != s[j];
                const double caseBits = capitals == 0                       ? 0
                                        : capitals == 1 && typed[i] != s[i] ? 1
                                                                            : 2;
                best.offer(i, i + k, (k == 2 ? kShortWordBits : kWordBits) + caseBits);
            }
        }
        if (i > 0 && i + 1 < n && isSeparator(s[i]) && isWordOrNumber(s[i - 1]) &&
            isWordOrNumber(s[i + 1]))
            best.offer(i, i + 1, kSeparatorBits);
    }
    const double bits = best.bits[n];
    secureWipe(typed);
    secureWipe(s);
    return bits;
}

String strengthInWords(double bits) {
    if (!isWeakPassphrase(bits)) return "strong";
    const double seconds = std::exp2(bits - 1) / kGuessesPerSecond;
    struct Unit {
        const char* name;
        double seconds;
    };
    static constexpr Unit kUnits[] = {{"year", 365.25 * 86400}, {"month", 30.44 * 86400},
                                      {"day", 86400},           {"hour", 3600},
                                      {"minute", 60},           {"second", 1}};
    String words = "weak \xE2\x80\x94 a graphics card would guess it in ";
    for (const Unit& unit : kUnits) {
        const unsigned long count = static_cast<unsigned long>(seconds / unit.seconds + 0.5);
        if (count < 1) continue;
        words += "about ";
        words += decimal(count);
        words += ' ';
        words += unit.name;
        if (count != 1) words += 's';
        return words;
    }
    return words + "less than a second";
}
