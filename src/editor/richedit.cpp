#include "editor/richedit.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "editor/command_rules.h"
#include "storage/buffer.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

struct StringSource {
    std::u16string_view text;
    std::size_t offset;
};

// Hands the text over in whole UTF-16 units.
DWORD CALLBACK deliverText(DWORD_PTR cookie, LPBYTE data, LONG count, LONG* done) {
    auto* source = reinterpret_cast<StringSource*>(cookie);
    const std::size_t left = source->text.size() - source->offset;
    std::size_t n = std::min(left, static_cast<std::size_t>(std::max<LONG>(count, 0)) / 2);
    if (n < left) n = chunkWithoutSplitLineEnd(source->text.data() + source->offset, n);
    std::memcpy(data, source->text.data() + source->offset, n * 2);
    source->offset += n;
    *done = static_cast<LONG>(n * 2);
    return 0;
}

// The control's text moves as UTF-16 in both directions: plain text in a code page would turn
// every character outside it into "?".
constexpr WPARAM kUnicodeText = SF_TEXT | SF_UNICODE;

}  // namespace

void readEditorText(HWND editor, U16String& text) {
    GETTEXTLENGTHEX length{GTL_USECRLF | GTL_NUMCHARS, 1200};
    const LRESULT n =
        SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    secureWipe(text);
    text.clear();
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(n, 0)) + 1);
    GETTEXTEX request{static_cast<DWORD>(text.size() * 2), GT_USECRLF, 1200, nullptr, nullptr};
    const LRESULT got = SendMessageW(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, n)));
}

void writeEditorText(HWND editor, std::u16string_view text) {
    StringSource source{text, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = deliverText;
    // The control may report each chunk as a change and a new selection; the window's handling of
    // those looks at the text, which would make a large text quadratic. Quiet until it is all in.
    const LRESULT events = SendMessageW(editor, EM_SETEVENTMASK, 0, 0);
    SendMessageW(editor, EM_STREAMIN, kUnicodeText, reinterpret_cast<LPARAM>(&stream));
    SendMessageW(editor, EM_SETEVENTMASK, 0, events);
}

int editorTextLength(HWND editor) {
    return GetWindowTextLengthA(editor);
}

bool isEditorModified(HWND editor) {
    return SendMessageA(editor, EM_GETMODIFY, 0, 0) != 0;
}

void setEditorModified(HWND editor, bool modified) {
    SendMessageA(editor, EM_SETMODIFY, modified ? 1 : 0, 0);
}

void setEditorReadOnly(HWND editor, bool readOnly) {
    SendMessageA(editor, EM_SETREADONLY, readOnly ? 1 : 0, 0);
}

void selectEditorRange(HWND editor, LONG start, LONG end) {
    SendMessageA(editor, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

LONG editorCharacters(HWND editor) {
    GETTEXTLENGTHEX request{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0));
}

void readEditorRange(HWND editor, LONG start, LONG end, U16String& text) {
    secureWipe(text);
    text.assign(static_cast<std::size_t>(std::max<LONG>(end - start, 0)) + 1, u'\0');
    TEXTRANGEW range{{start, end}, reinterpret_cast<LPWSTR>(&text[0])};
    const LRESULT copied =
        SendMessageW(editor, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, end - start)));
}
