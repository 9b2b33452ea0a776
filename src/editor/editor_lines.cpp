#include "editor/editor_lines.h"

#include <algorithm>
#include <climits>

#include "editor/richedit.h"
#include "storage/buffer.h"
#include "storage/wipe.h"

namespace {

// A stretch of the editor's text: plaintext, wiped when it goes.
class EditorRange {
public:
    EditorRange(HWND editor, LONG start, LONG end) { readEditorRange(editor, start, end, text_); }
    ~EditorRange() { secureWipe(text_); }
    EditorRange(const EditorRange&) = delete;
    EditorRange& operator=(const EditorRange&) = delete;
    std::u16string_view text() const { return text_; }

private:
    U16String text_;
};

}  // namespace

void EditorLines::reach(HWND editor, LONG offset) {
    // A change the control reported clears the length; a text streamed in while its reports
    // were off shows in the length alone.
    const LONG length = editorCharacters(editor);
    if (map_.length() != length) map_.reset(length);
    offset = std::min(offset, length);
    if (offset <= map_.scanned()) return;
    map_.extend(EditorRange(editor, map_.scanned(), offset).text());
}

CaretPlace EditorLines::placeOf(HWND editor, LONG offset) {
    reach(editor, offset);
    const LineMap::Mark mark = map_.markAt(offset);
    const EditorRange before(editor, mark.offset, std::min<LONG>(offset, map_.scanned()));
    return scanLines(mark.scan, before.text()).place;
}

std::int32_t EditorLines::count(HWND editor) {
    reach(editor, LONG_MAX);
    return map_.end().place.line;
}

LONG EditorLines::startOf(HWND editor, std::int32_t line) {
    reach(editor, LONG_MAX);
    const LineMap::Stretch stretch = map_.stretchOf(line);
    const EditorRange text(editor, stretch.from.offset, stretch.end);
    const std::int32_t start = lineStart(text.text(), line, stretch.from.scan);
    return start < 0 ? -1 : stretch.from.offset + start;
}
