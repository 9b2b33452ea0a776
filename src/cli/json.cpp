#include "cli/json.h"

#include "storage/buffer.h"
#include "storage/text_encoding.h"

namespace cli {

String jsonString(const String& text) {
    static const char kHex[] = "0123456789abcdef";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    String out = "\"";
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
            // Well-formed UTF-8 goes through as it is.
            const std::size_t n = utf8SequenceLength(text, i);
            if (n) {
                out.append(text.data() + i, n);
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

JsonObject& JsonObject::raw(const char* key, const String& json) {
    if (!fields_.empty()) fields_ += ", ";
    fields_ += jsonString(key) + ": " + json;
    return *this;
}

}  // namespace cli
