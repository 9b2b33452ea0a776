#include "editor/richedit.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "editor/command_rules.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

// Collects streamed-out plaintext. Growing a vector would free its old block unwiped, so growth
// is done by hand: copy into a larger block, wipe the old one, then let it go.
class WipingBuffer {
public:
    explicit WipingBuffer(std::size_t capacity) { bytes_.reserve(capacity); }
    ~WipingBuffer() { secureWipe(bytes_); }
    WipingBuffer(const WipingBuffer&) = delete;
    WipingBuffer& operator=(const WipingBuffer&) = delete;

    void append(const char* data, std::size_t n) {
        if (bytes_.size() + n > bytes_.capacity()) {
            std::vector<char> larger;
            larger.reserve(std::max(bytes_.capacity() * 2, bytes_.size() + n));
            larger.assign(bytes_.begin(), bytes_.end());
            secureWipe(bytes_);
            bytes_.swap(larger);
        }
        bytes_.insert(bytes_.end(), data, data + n);
    }
    const std::vector<char>& bytes() const { return bytes_; }
    bool failed = false;  // an append ran out of memory: the text is not whole

private:
    std::vector<char> bytes_;
};

DWORD CALLBACK collectText(DWORD_PTR cookie, LPBYTE data, LONG count, LONG* done) {
    auto* buffer = reinterpret_cast<WipingBuffer*>(cookie);
    // Called by the control: a failure stops the stream and is raised again once it has returned.
    try {
        buffer->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        buffer->failed = true;
        return 1;
    }
    *done = count;
    return 0;
}

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

void readEditorText(HWND editor, std::u16string& text) {
    const LRESULT length = SendMessageW(editor, WM_GETTEXTLENGTH, 0, 0);
    WipingBuffer buffer((static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1) * 2);
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&buffer);
    stream.pfnCallback = collectText;
    SendMessageW(editor, EM_STREAMOUT, kUnicodeText, reinterpret_cast<LPARAM>(&stream));
    if (buffer.failed) throw std::bad_alloc();

    secureWipe(text);
    text.clear();
    const std::vector<char>& bytes = buffer.bytes();
    text.resize(bytes.size() / 2);
    if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * 2);
}

void writeEditorText(HWND editor, std::u16string_view text) {
    StringSource source{text, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = deliverText;
    SendMessageW(editor, EM_STREAMIN, kUnicodeText, reinterpret_cast<LPARAM>(&stream));
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
