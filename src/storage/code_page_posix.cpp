#include <iconv.h>

#include <cerrno>
#include <string>

#include "storage/code_page.h"
#include "storage/text_encoding.h"

namespace {

class Converter {
public:
    explicit Converter(unsigned codePage)
        : cd_(iconv_open("UTF-16LE", ("CP" + std::to_string(codePage)).c_str())) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

bool fromCodePage(std::string_view bytes, unsigned codePage, std::u16string& out) {
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
