#include "cli/json.h"

namespace cli {
namespace {

// The length of the well-formed UTF-8 sequence at `p` (at most `left` bytes), or 0.
std::size_t utf8Length(const unsigned char* p, std::size_t left) {
    const unsigned char c = p[0];
    std::size_t n = c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
    if (n == 0 || n > left) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0) || (c == 0xF0 && p[1] < 0x90) ||
        (c == 0xF4 && p[1] >= 0x90))
        return 0;
    return n;
}

}  // namespace

std::string jsonString(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::string out = "\"";
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = p[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c >= 0x80) {
            const std::size_t n = utf8Length(p + i, size - i);
            if (n) {
                out.append(text, i, n);
                i += n;
                continue;
            }
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

JsonObject& JsonObject::raw(const char* key, const std::string& json) {
    if (!fields_.empty()) fields_ += ", ";
    fields_ += jsonString(key) + ": " + json;
    return *this;
}

}  // namespace cli
