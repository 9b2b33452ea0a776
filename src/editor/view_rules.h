// The status line's texts, the caret's line and column, the start of a numbered line and the zoom
// steps: free of the window system, so that they can be tested anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Lines are the text's own, counted by line ends, whatever the display wraps: CR, LF and CR LF
// each end one. Columns count UTF-16 units from 1, a tab as one.
struct CaretPlace {
    std::int32_t line;
    std::int32_t column;
};
// The place just after `before`, the text from the top to the caret.
CaretPlace caretPlace(std::u16string_view before);
// Where line `line` (from 1) begins in `text`; -1 when the text has no such line.
std::int32_t lineStart(std::u16string_view text, std::int32_t line);

// Zoom in percent, as the control's numerator over 100; the control's own range is wider.
constexpr int kZoomDefault = 100;
constexpr int kZoomMin = 10;
constexpr int kZoomMax = 500;
constexpr int kZoomStep = 10;
// `steps` steps of kZoomStep up (or down when negative), kept within kZoomMin..kZoomMax.
int zoomStepped(int percent, int steps);
// The control reports its zoom as a ratio; 0 in either part means none (100 %).
int zoomPercent(int numerator, int denominator);

struct StatusFacts {
    CaretPlace caret;
    std::int64_t length;  // characters as the control counts them, a line end as one
    int zoom;
    bool utf8;
    bool readOnly;
};
// The texts of the status bar's parts, left to right, each ended by a tab; the zoom shows only
// when it is not 100 %, "Read-only" only for a read-only note.
std::string statusTexts(const StatusFacts& facts);
