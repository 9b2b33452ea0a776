#include <iconv.h>

#include <cerrno>

#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

class Converter {
public:
    explicit Converter(unsigned codePage, bool toCodePage = false)
        : cd_(toCodePage ? iconv_open(name(codePage).c_str(), "UTF-16LE")
                         : iconv_open("UTF-16LE", name(codePage).c_str())) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    static String name(unsigned codePage) { return "CP" + decimal(codePage); }
    iconv_t cd_;
};

// Windows-1252 by its table: the byte each character would come from, or a byte that does not
// come back as it (the round trip of the caller rejects it).
char cp1252ByteOf(char16_t c) {
    if (c < 0x100) return static_cast<char>(c);
    for (unsigned b = 0x80; b < 0xA0; ++b)
        if (cp1252ToUtf16(String(1, static_cast<char>(b)))[0] == c) return static_cast<char>(b);
    return '?';
}

// Through iconv, which refuses a character the code page lacks instead of substituting one.
// Sized once: a character of a code page takes at most two bytes, and the input is UTF-16.
bool iconvToCodePage(std::u16string_view text, unsigned codePage, String& out) {
    Converter converter(codePage, true);
    if (!converter.ok()) return false;
    out.assign(text.size() * 2 + 8, '\0');
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    std::size_t inLeft = text.size() * 2;
    char* to = &out[0];
    std::size_t outLeft = out.size();
    const bool whole =
        iconv(converter.get(), &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1) &&
        inLeft == 0;
    out.resize(out.size() - outLeft);
    return whole;
}

}  // namespace

bool toCodePageExactly(std::u16string_view text, unsigned codePage, String& out) {
    secureWipe(out);
    out.clear();
    bool converted = true;
    if (codePage == 1252) {
        out.assign(text.size(), '\0');
        for (std::size_t i = 0; i < text.size(); ++i) out[i] = cp1252ByteOf(text[i]);
    } else {
        converted = iconvToCodePage(text, codePage, out);
    }
    U16String back;
    const bool same = converted && fromCodePage(out, codePage, back) && back == text;
    secureWipe(back);
    if (!same) {
        secureWipe(out);
        out.clear();
    }
    return same;
}

bool fromCodePage(std::string_view bytes, unsigned codePage, U16String& out) {
    if (codePage == 1252) {
        out = cp1252ToUtf16(bytes);
        return true;
    }
    Converter converter(codePage);
    if (!converter.ok()) return false;
    out.clear();
    out.reserve(bytes.size());
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    // A double-byte code page never yields more units than bytes; one byte at a time is
    // converted past a byte the code page does not map.
    while (inLeft > 0) {
        char16_t unit[2];
        char* outPtr = reinterpret_cast<char*>(unit);
        std::size_t outLeft = sizeof unit;
        const std::size_t r = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        for (char* p = reinterpret_cast<char*>(unit); p + 1 < outPtr; p += 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                                static_cast<unsigned char>(p[1]) << 8));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out.push_back(u'\uFFFD');
            ++in;
            --inLeft;
        }
    }
    return true;
}
