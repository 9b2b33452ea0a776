#include "editor/search_rules.h"

#include <algorithm>

TextSpan searchSpan(TextSpan anchor, bool down, std::int32_t textLength) {
    const std::int32_t from = std::clamp(down ? anchor.end : anchor.start, 0, textLength);
    return {from, down ? -1 : 0};
}

TextSpan nextAnchor(std::int64_t answer, TextSpan match, bool down, std::int32_t textLength) {
    if (answer != -1 && match.end != -1) return match;
    const std::int32_t turn = down ? 0 : textLength;
    return {turn, turn};
}
