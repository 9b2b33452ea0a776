// The operations the editor asks of its Rich Edit 2.0 control, in plain-text mode.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The whole text in UTF-16 with CRLF line ends, copied by the control straight into `text`: a
// stream-out would pass it through a buffer of the control's own that is freed without a wipe.
// The previous content of `text` is wiped before it is replaced.
void readEditorText(HWND editor, std::u16string& text);
// Replaces the whole content with the text, streamed in as plain UTF-16 text.
void writeEditorText(HWND editor, std::u16string_view text);

// 0 exactly when the control holds no text.
int editorTextLength(HWND editor);
bool isEditorModified(HWND editor);
void setEditorModified(HWND editor, bool modified);
void setEditorReadOnly(HWND editor, bool readOnly);
void selectEditorRange(HWND editor, LONG start, LONG end);
