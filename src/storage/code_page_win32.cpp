#include <windows.h>

#include <limits>

#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

const wchar_t* wide(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}

bool fitsInt(std::size_t n) {
    return n <= static_cast<std::size_t>(std::numeric_limits<int>::max() / 4);
}

}  // namespace

bool fromCodePage(std::string_view bytes, unsigned codePage, U16String& out) {
    if (codePage == 1252) {
        out = cp1252ToUtf16(bytes);
        return true;
    }
    out.clear();
    if (bytes.empty()) return IsValidCodePage(codePage == kAnsiCodePage ? GetACP() : codePage);
    if (!fitsInt(bytes.size())) return false;
    const int n = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(codePage, 0, bytes.data(), n, nullptr, 0);
    if (units <= 0) return false;
    out.resize(static_cast<std::size_t>(units));
    MultiByteToWideChar(codePage, 0, bytes.data(), n, reinterpret_cast<wchar_t*>(&out[0]), units);
    return true;
}

bool toCodePageExactly(std::u16string_view text, unsigned codePage, String& out) {
    out.clear();
    if (text.empty()) return true;
    if (!fitsInt(text.size())) return false;
    const int n = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int bytes = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide(text), n, nullptr, 0,
                                          nullptr, &usedDefault);
    if (bytes <= 0 || usedDefault) return false;
    out.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide(text), n, &out[0], bytes, nullptr,
                        &usedDefault);
    // Some conversions substitute without reporting it; only a text that comes back as it went
    // counts as fitting.
    U16String back;
    const bool same = !usedDefault && fromCodePage(out, codePage, back) && back == text;
    secureWipe(back);
    if (!same) {
        secureWipe(out);
        out.clear();
    }
    return same;
}

StoredText storedFormOf(std::u16string_view text) {
    StoredText stored;
    if (toCodePageExactly(text, kAnsiCodePage, stored.bytes)) return stored;
    stored.bytes = utf16ToUtf8(text);
    stored.utf8 = true;
    return stored;
}

U16String textOfStoredForm(std::string_view bytes, bool utf8) {
    U16String text;
    if (utf8) return utf8ToUtf16(bytes);
    fromCodePage(bytes, kAnsiCodePage, text);
    return text;
}
