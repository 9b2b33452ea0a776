// The status line's texts, the caret's line and column, the start of a numbered line and the zoom
// steps: free of the window system, so that they can be tested anywhere.
#pragma once

#include <cstdint>
#include <string_view>

#include "storage/buffer.h"

// Lines are the text's own, counted by line ends, whatever the display wraps: CR, LF and CR LF
// each end one. Columns count UTF-16 units from 1, a tab as one.
struct CaretPlace {
    std::int32_t line;
    std::int32_t column;
};
// How far a reading of the lines has come: the place after the text read so far, and whether
// that text ended in a CR, which makes an LF right after it part of the same line end.
struct LineScan {
    CaretPlace place{1, 1};
    bool afterCr = false;
};
// The reading `from` continued over `text`; from the top, its place is the one after `text`.
LineScan scanLines(LineScan from, std::u16string_view text);
// Where line `line` (from 1) begins in `text`, which continues a reading at `from`: an offset
// into `text`, or -1 when the line does not begin there.
std::int32_t lineStart(std::u16string_view text, std::int32_t line, LineScan from = {});

// The reading of a text kept every `stride` units, so that the place of an offset, or the start
// of a line, takes reading one stretch of the text instead of all of it up to there. It holds
// no text: the caller reads the text in order and hands it over piece by piece.
class LineMap {
public:
    struct Mark {
        std::int32_t offset;
        LineScan scan;
    };
    struct Stretch {
        Mark from;
        std::int32_t end;
    };

    explicit LineMap(std::int32_t stride = 16384) : stride_(stride) { reset(-1); }
    // A text of `length` units (-1: not known), none of it read yet.
    void reset(std::int32_t length);
    std::int32_t length() const { return length_; }
    // Where the next piece begins; the reading there is end().
    std::int32_t scanned() const { return scanned_; }
    LineScan end() const { return end_; }
    void extend(std::u16string_view piece);
    // The last mark at or before `offset`, read from there to `offset`; offset <= scanned().
    Mark markAt(std::int32_t offset) const;
    // The stretch in which line `line` begins, for lineStart(); the text is read to its end.
    Stretch stretchOf(std::int32_t line) const;

private:
    std::int32_t stride_;
    std::int32_t length_ = -1;
    Buffer<Mark> marks_;  // one at each multiple of the stride read so far
    std::int32_t scanned_ = 0;
    LineScan end_;
};

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
String statusTexts(const StatusFacts& facts);
