// Where a search runs in the editor's text, in either direction: free of the window system, so
// the rule can be tested anywhere.
#pragma once

#include <cstdint>

// A stretch of the control's text in its own positions (a line end counts one).
struct TextSpan {
    std::int32_t start;
    std::int32_t end;
};

// What the control is asked to search, as (from, to): going down from the anchor's end to the end
// of the text (-1), going up from the anchor's start back to the top (0). An anchor beyond the
// text (it shrank since) counts as its end.
TextSpan searchSpan(TextSpan anchor, bool down, std::int32_t textLength);

// The anchor of the next search. After a hit, the hit itself: going on in either direction then
// passes it. After a miss, the place the search turns around to: the top going down, the end of
// the text going up. The control answers a miss with -1 and should set the match end to -1 as
// well; either one counts, so a control that leaves the old range in place cannot make it stick.
TextSpan nextAnchor(std::int64_t answer, TextSpan match, bool down, std::int32_t textLength);
