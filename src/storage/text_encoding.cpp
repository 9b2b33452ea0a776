#include "storage/text_encoding.h"

#include "storage/buffer.h"
#include "storage/wipe.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `i`; answers its length, or 0 when it is ill-formed (Unicode
// Table 3-7: the second byte's range depends on the first, which rules out overlong forms,
// surrogates and values above U+10FFFF).
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    std::size_t n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        c = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        c = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - i < n) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char b = byte(i + k);
        if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    return n;
}

void appendUtf16(U16String& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

void appendUtf8(String& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool isHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Bytes 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1. Zero marks the five
// bytes the code page leaves undefined, which keep their own value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    char32_t c;
    for (std::size_t i = 0, n; i < bytes.size(); i += n)
        if ((n = decodeUtf8(bytes, i, c)) == 0) return false;
    return true;
}

std::size_t utf8SequenceLength(std::string_view bytes, std::size_t i) {
    char32_t c;
    return decodeUtf8(bytes, i, c);
}

bool isAscii(std::string_view bytes) {
    for (char b : bytes)
        if (static_cast<unsigned char>(b) >= 0x80) return false;
    return true;
}

std::size_t utf8Boundary(std::string_view bytes) {
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto b = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

U16String utf8ToUtf16(std::string_view bytes) {
    U16String out;
    out.reserve(bytes.size());
    char32_t c;
    for (std::size_t i = 0, n; i < bytes.size(); i += n) {
        n = decodeUtf8(bytes, i, c);
        if (n == 0) {
            n = 1;
            c = kReplacement;
        }
        appendUtf16(out, c);
    }
    return out;
}

String utf16ToUtf8(std::u16string_view text) {
    String out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (isHighSurrogate(text[i]) || isLowSurrogate(text[i])) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

U16String cp1252ToUtf16(std::string_view bytes) {
    U16String out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        const char16_t mapped = u >= 0x80 && u < 0xA0 ? kCp1252High[u - 0x80] : 0;
        out.push_back(mapped ? mapped : static_cast<char16_t>(u));
    }
    return out;
}

TextFileFormat detectTextFile(std::string_view bytes) {
    if (slice(bytes, 0, 3) == kUtf8Bom) return {TextFileEncoding::Utf8, 3};
    if (slice(bytes, 0, 2) == "\xFF\xFE") return {TextFileEncoding::Utf16LE, 2};
    if (slice(bytes, 0, 2) == "\xFE\xFF") return {TextFileEncoding::Utf16BE, 2};
    if (!isAscii(bytes) && isValidUtf8(bytes)) return {TextFileEncoding::Utf8, 0};
    return {TextFileEncoding::Ansi, 0};
}

bool decodeTextFile(std::string_view bytes, const TextFileFormat& format, U16String& out) {
    const std::string_view body = slice(bytes, format.bomBytes);
    switch (format.encoding) {
        case TextFileEncoding::Ansi:
            return false;
        case TextFileEncoding::Utf8:
            out = utf8ToUtf16(body);
            return true;
        case TextFileEncoding::Utf16LE:
        case TextFileEncoding::Utf16BE: {
            const bool big = format.encoding == TextFileEncoding::Utf16BE;
            out.clear();
            out.reserve(body.size() / 2);
            for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
                const auto first = static_cast<unsigned char>(body[i]);
                const auto second = static_cast<unsigned char>(body[i + 1]);
                out.push_back(
                    static_cast<char16_t>(big ? first << 8 | second : second << 8 | first));
            }
            return true;
        }
    }
    return false;
}

std::uint64_t controlCharacters(std::u16string_view text) {
    std::uint64_t pairs = 0;
    for (std::size_t i = 1; i < text.size(); ++i) pairs += text[i - 1] == u'\r' && text[i] == u'\n';
    return text.size() - pairs;
}

String crlfToLf(std::string_view text) {
    String out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out.push_back(text[i]);
    return out;
}

U16String lfToCrlf(std::u16string_view text) {
    U16String out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out.push_back(u'\r');
        out.push_back(text[i]);
    }
    return out;
}
