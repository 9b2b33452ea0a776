#include "cli/note_text.h"

#include <algorithm>
#include <cstdio>

#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
constexpr bool kLfLineEnds = false;
#else
constexpr bool kLfLineEnds = true;
#endif

}  // namespace

bool noteTextAsUtf8(std::string_view stored, bool utf8, unsigned codePage, String& out) {
    String text;
    if (utf8) {
        text.assign(stored);
    } else {
        U16String wide;
        if (!fromCodePage(stored, codePage, wide)) return false;
        text = utf16ToUtf8(wide);
        secureWipe(wide);
    }
    if (kLfLineEnds) {
        out = crlfToLf(text);
        secureWipe(text);
    } else {
        out.swap(text);
    }
    return true;
}

bool sealedFormOf(std::string_view file, unsigned codePage, SealedText& out) {
    U16String text;
    if (!decodeTextFile(file, detectTextFile(file), text) && !fromCodePage(file, codePage, text))
        return false;
    if (kLfLineEnds) {
        U16String crlf = lfToCrlf(text);
        secureWipe(text);
        text.swap(crlf);
    }
    out.characters = controlCharacters(text);
    out.bytes = utf16ToUtf8(text);
    out.utf8 = !isAscii(out.bytes);
    secureWipe(text);
    return true;
}

bool writeUtf8Out(std::string_view text) {
#ifdef _WIN32
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode)) {
        U16String wide = utf8ToUtf16(text);
        bool ok = true;
        for (std::size_t at = 0; ok && at < wide.size();) {
            DWORD written = 0;
            const DWORD n = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 8192));
            ok = WriteConsoleW(console, wide.data() + at, n, &written, nullptr) && written > 0;
            at += written;
        }
        secureWipe(wide);
        return ok;
    }
#endif
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
           std::fflush(stdout) == 0;
}
