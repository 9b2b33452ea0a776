// The operations the editor asks of its Rich Edit 2.0 control, in plain-text mode.
#pragma once

#include <windows.h>

#include <string>

// The whole text as the control streams it out in plain text. Every intermediate buffer is wiped
// before release; the previous content of `text` is wiped before it is replaced.
void readEditorText(HWND editor, std::string& text);
// Replaces the whole content with the string's bytes, streamed in as plain text.
void writeEditorText(HWND editor, const std::string& text);

// 0 exactly when the control holds no text.
int editorTextLength(HWND editor);
bool isEditorModified(HWND editor);
void setEditorModified(HWND editor, bool modified);
void setEditorReadOnly(HWND editor, bool readOnly);
void selectEditorRange(HWND editor, LONG start, LONG end);
