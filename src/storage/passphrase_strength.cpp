#include "storage/passphrase_strength.h"

#include <cmath>
#include <vector>

#include "storage/wipe.h"

namespace {

// The passwords a guesser tries first, most common first (a guess costs log2 of its rank): the
// head of the lists leaked passwords are ranked by, in several languages. Short on purpose, as
// every note carries it.
constexpr char kCommonPasswords[] =
    "123456 password 12345678 qwerty 123456789 12345 1234 111111 1234567 dragon 123123 baseball "
    "abc123 football monkey letmein 696969 shadow master 666666 qwertyuiop 123321 mustang "
    "1234567890 michael 654321 superman 1qaz2wsx 7777777 121212 000000 qazwsx 123qwe killer "
    "trustno1 jordan jennifer zxcvbnm asdfgh hunter buster soccer harley batman andrew tigger "
    "sunshine iloveyou 2000 charlie robert thomas hockey ranger daniel starwars klaster 112233 "
    "george computer michelle jessica pepper 1111 zxcvbn 555555 11111111 131313 freedom 777777 "
    "pass maggie 159753 aaaaaa ginger princess joshua cheese amanda summer love ashley nicole "
    "chelsea biteme matthew access yankees 987654321 dallas austin thunder taylor matrix welcome "
    "admin login passw0rd password1 qwerty123 hello secret whatever dragon1 monkey1 abcdef "
    "abcd1234 "
    "1q2w3e4r 1q2w3e 1q2w3e4r5t q1w2e3r4 qwe123 zaq12wsx asdf1234 letmein1 welcome1 admin123 "
    "root toor guest changeme default test test123 temp1234 p@ssw0rd p@ssword pa55word iloveu "
    "love123 lovely angel angels baby babygirl butterfly flower hannah jasmine liverpool arsenal "
    "barcelona chocolate cookie purple orange banana apple samsung google internet master1 "
    "superstar rockyou pokemon naruto minecraft fortnite whatsup hello123 mypass mypassword "
    "letmein123 iloveyou1 princess1 sunshine1 football1 baseball1 shadow1 michael1 charlie1 "
    "passwort hallo schatz geheim schalke fussball motdepasse soleil chouchou bonjour contrasena "
    "ciao amore parola haslo kochanie zaq1xsw2 parol parol123 privet ljubov qwerty1 qwertz "
    "azerty azertyuiop 1qazxsw2 7654321 88888888 99999999 00000000 12341234 11223344 "
    "summer2024 winter spring autumn january secret123 dragon123 master123";

// Keyboard rows as typed from left to right (US, German, French and Russian layouts).
constexpr const char16_t* kKeyboardRows[] = {
    u"`1234567890-=", u"qwertyuiop[]", u"asdfghjkl;'", u"zxcvbnm,./", u"qwertzuiop",
    u"yxcvbnm",       u"azertyuiop",   u"qsdfghjklm",  u"wxcvbn",     u"1qaz2wsx3edc4rfv5tgb",
    u"йцукенгшщзхъ",  u"фывапролджэ",  u"ячсмитьбю"};

constexpr double kWordBits = 13;      // a word of a large vocabulary: 8192 words
constexpr double kSeparatorBits = 2;  // a blank, dash, dot or underscore between two words
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
bool isSeparator(char32_t c) {
    return c == U' ' || c == U'-' || c == U'_' || c == U'.';
}

// The alphabet a guesser who tries every combination must cover.
double characterBits(const std::vector<char32_t>& text) {
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

std::size_t runLength(const std::vector<char32_t>& s, std::size_t i, int step) {
    std::size_t k = 1;
    while (i + k < s.size() &&
           static_cast<long>(s[i + k]) - static_cast<long>(s[i + k - 1]) == step)
        ++k;
    return k;
}

std::size_t keyboardRun(const std::vector<char32_t>& s, std::size_t i) {
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

unsigned digitsAt(const std::vector<char32_t>& s, std::size_t i, std::size_t n, bool& ok) {
    unsigned v = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (i + k >= s.size() || !isDigit(s[i + k]))
            ok = false;
        else
            v = v * 10 + static_cast<unsigned>(s[i + k] - U'0');
    }
    return v;
}

bool isDayMonth(unsigned day, unsigned month) {
    return day >= 1 && day <= 31 && month >= 1 && month <= 12;
}

// The length of a date at `i`: ddmmyyyy, yyyymmdd, ddmmyy, or day, month and year with one
// separator between them; 0 when there is none.
std::size_t dateAt(const std::vector<char32_t>& s, std::size_t i) {
    bool ok = true;
    const unsigned a = digitsAt(s, i, 2, ok), b = digitsAt(s, i + 2, 2, ok);
    const unsigned y = digitsAt(s, i + 4, 4, ok);
    if (ok && (isDayMonth(a, b) || isDayMonth(b, a)) && y >= 1900 && y < 2100) return 8;
    ok = true;
    const unsigned year = digitsAt(s, i, 4, ok), m = digitsAt(s, i + 4, 2, ok),
                   d = digitsAt(s, i + 6, 2, ok);
    if (ok && year >= 1900 && year < 2100 && isDayMonth(d, m)) return 8;
    ok = true;
    digitsAt(s, i + 4, 2, ok);
    if (ok && isDayMonth(a, b)) return 6;
    for (std::size_t first = 1; first <= 2; ++first) {
        for (std::size_t second = 1; second <= 2; ++second) {
            ok = true;
            const std::size_t sep1 = i + first, sep2 = sep1 + 1 + second;
            const unsigned p = digitsAt(s, i, first, ok), q = digitsAt(s, sep1 + 1, second, ok);
            if (!ok || sep2 >= s.size() || s[sep1] != s[sep2] ||
                (s[sep1] != U'.' && s[sep1] != U'/' && s[sep1] != U'-') || !isDayMonth(p, q))
                continue;
            for (std::size_t yearDigits : {std::size_t{4}, std::size_t{2}}) {
                ok = true;
                digitsAt(s, sep2 + 1, yearDigits, ok);
                if (ok) return sep2 + 1 + yearDigits - i;
            }
        }
    }
    return 0;
}

bool isYearAt(const std::vector<char32_t>& s, std::size_t i) {
    bool ok = true;
    const unsigned y = digitsAt(s, i, 4, ok);
    return ok && y >= 1900 && y < 2100;
}

// The length of the common password at `i` and its rank among them, the longest match.
std::size_t commonAt(const std::vector<char32_t>& s, std::size_t i, std::size_t& rank) {
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
    std::vector<double> bits;
    void offer(std::size_t from, std::size_t to, double cost) {
        if (bits[from] + cost < bits[to]) bits[to] = bits[from] + cost;
    }
};

}  // namespace

double passphraseBits(std::u16string_view passphrase) {
    // The passphrase's code points as typed and in lower case: sized once, wiped below.
    std::vector<char32_t> typed, s;
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
    Cheapest best{std::vector<double>(n + 1, HUGE_VAL)};
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
        if (isYearAt(s, i)) best.offer(i, i + 4, kYearBits);
        if (const std::size_t date = dateAt(s, i)) best.offer(i, i + date, kDateBits);
        if (isLetter(s[i]) && (i == 0 || !isLetter(s[i - 1]))) {
            std::size_t k = 0, vowels = 0;
            for (; i + k < n && isLetter(s[i + k]); ++k) vowels += isVowel(s[i + k]);
            if (k >= 3 && vowels * 5 >= k) {
                std::size_t capitals = 0;
                for (std::size_t j = i; j < i + k; ++j) capitals += typed[j] != s[j];
                const double caseBits = capitals == 0                       ? 0
                                        : capitals == 1 && typed[i] != s[i] ? 1
                                                                            : 2;
                best.offer(i, i + k, kWordBits + caseBits);
            }
        }
        if (i > 0 && i + 1 < n && isSeparator(s[i]) && isLetter(s[i - 1]) && isLetter(s[i + 1]))
            best.offer(i, i + 1, kSeparatorBits);
    }
    const double bits = best.bits[n];
    secureWipe(typed);
    secureWipe(s);
    return bits;
}

std::string strengthInWords(double bits) {
    if (!isWeakPassphrase(bits)) return "strong";
    const double seconds = std::exp2(bits - 1) / kGuessesPerSecond;
    struct Unit {
        const char* name;
        double seconds;
    };
    static constexpr Unit kUnits[] = {{"year", 365.25 * 86400}, {"month", 30.44 * 86400},
                                      {"day", 86400},           {"hour", 3600},
                                      {"minute", 60},           {"second", 1}};
    std::string when = "less than a second";
    for (const Unit& unit : kUnits) {
        const long count = std::lround(seconds / unit.seconds);
        if (count < 1) continue;
        when = "about " + std::to_string(count) + " " + unit.name + (count == 1 ? "" : "s");
        break;
    }
    return "weak \xE2\x80\x94 a graphics card would guess it in " + when;
}
