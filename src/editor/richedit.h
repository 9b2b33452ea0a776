// The operations the editor asks of its Rich Edit 2.0 control, in plain-text mode.
#pragma once

#include <windows.h>

#include <string_view>

#include "storage/buffer.h"

// The whole text in UTF-16 with CRLF line ends, copied by the control straight into `text`: a
// stream-out would pass it through a buffer of the control's own that is freed without a wipe.
// The previous content of `text` is wiped before it is replaced.
void readEditorText(HWND editor, U16String& text);
// Replaces the whole content with the text, streamed in as plain UTF-16 text.
void writeEditorText(HWND editor, std::u16string_view text);

// 0 exactly when the control holds no text.
int editorTextLength(HWND editor);
bool isEditorModified(HWND editor);
void setEditorModified(HWND editor, bool modified);
void setEditorReadOnly(HWND editor, bool readOnly);
void selectEditorRange(HWND editor, LONG start, LONG end);
// The number of characters as the control counts them, a line end as one.
LONG editorCharacters(HWND editor);
// The text from `start` to `end` as the control holds it (a line end as CR), into `text`, which is
// sized once and wiped before it is replaced; the caller wipes it after use.
void readEditorRange(HWND editor, LONG start, LONG end, U16String& text);
