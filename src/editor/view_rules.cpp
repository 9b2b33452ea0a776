#include "editor/view_rules.h"

#include <algorithm>

namespace {

// The unit at `i` ends a line: a CR, or an LF that is not the second half of a CR LF.
bool endsLine(std::u16string_view text, std::size_t i) {
    return text[i] == u'\r' || (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'));
}

// Decimal, without the formatting machinery of the C++ library, which every note would carry.
void appendNumber(std::string& text, std::int64_t n) {
    if (n < 0) {
        text += '-';
        n = -n;
    }
    char digits[20];
    int count = 0;
    do digits[count++] = static_cast<char>('0' + n % 10);
    while ((n /= 10) != 0);
    while (count > 0) text += digits[--count];
}

}  // namespace

CaretPlace caretPlace(std::u16string_view before) {
    CaretPlace place{1, 1};
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (endsLine(before, i)) {
            ++place.line;
            place.column = 1;
        } else if (before[i] != u'\n') {
            ++place.column;
        }
    }
    return place;
}

std::int32_t lineStart(std::u16string_view text, std::int32_t line) {
    if (line < 1) return -1;
    std::int32_t current = 1;
    for (std::size_t i = 0; i < text.size() && current < line; ++i) {
        if (!endsLine(text, i)) continue;
        const bool pair = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if (++current == line) return static_cast<std::int32_t>(i + (pair ? 2 : 1));
    }
    return line == 1 ? 0 : -1;
}

int zoomStepped(int percent, int steps) {
    return std::clamp(percent + steps * kZoomStep, kZoomMin, kZoomMax);
}

int zoomPercent(int numerator, int denominator) {
    if (numerator <= 0 || denominator <= 0) return kZoomDefault;
    return static_cast<int>((static_cast<std::int64_t>(numerator) * 100 + denominator / 2) /
                            denominator);
}

std::string statusTexts(const StatusFacts& facts) {
    std::string texts = "Ln ";
    appendNumber(texts, facts.caret.line);
    texts += ", Col ";
    appendNumber(texts, facts.caret.column);
    texts += '\t';
    appendNumber(texts, facts.length);
    texts += facts.length == 1 ? " character\t" : " characters\t";
    if (facts.zoom != kZoomDefault) {
        appendNumber(texts, facts.zoom);
        texts += "%\t";
    }
    texts += facts.utf8 ? "UTF-8\t" : "ANSI\t";
    if (facts.readOnly) texts += "Read-only\t";
    return texts;
}
