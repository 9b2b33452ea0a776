// The editor's lines as its text counts them, not as the display wraps them. The control's own
// line index counts display lines, so the text is read: once after each change, to mark its
// lines, and then only a stretch of it for each question.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editor/view_rules.h"

class EditorLines {
public:
    // The text changed: its lines are read again when next asked.
    void forget() { map_.reset(-1); }
    CaretPlace placeOf(HWND editor, LONG offset);
    std::int32_t count(HWND editor);
    // The text's length in characters when it was last asked about.
    LONG length() const { return map_.length(); }
    // Where line `line` (from 1) begins; -1 when the text has no such line.
    LONG startOf(HWND editor, std::int32_t line);

private:
    // Reads the text up to `offset`, from the top when it is not the text last read.
    void reach(HWND editor, LONG offset);

    LineMap map_;
};
