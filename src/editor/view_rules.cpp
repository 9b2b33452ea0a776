#include "editor/view_rules.h"

#include <algorithm>

#include "storage/buffer.h"

namespace {

// The reading one unit further.
LineScan step(LineScan scan, char16_t unit) {
    if (unit == u'\r' || (unit == u'\n' && !scan.afterCr)) {
        ++scan.place.line;
        scan.place.column = 1;
    } else if (unit != u'\n') {
        ++scan.place.column;
    }
    scan.afterCr = unit == u'\r';
    return scan;
}

// Decimal, without the formatting machinery of the C++ library, which every note would carry.
void appendNumber(String& text, std::int64_t n) {
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

LineScan scanLines(LineScan from, std::u16string_view text) {
    for (const char16_t unit : text) from = step(from, unit);
    return from;
}

std::int32_t lineStart(std::u16string_view text, std::int32_t line, LineScan from) {
    for (std::size_t i = 0;; from = step(from, text[i++])) {
        // The LF of a CR LF still belongs to the line before.
        const bool inLineEnd = from.afterCr && i < text.size() && text[i] == u'\n';
        if (from.place.line == line && !inLineEnd) return static_cast<std::int32_t>(i);
        if (from.place.line > line || i == text.size()) return -1;
    }
}

void LineMap::reset(std::int32_t length) {
    length_ = length;
    marks_.assign(1, Mark{0, LineScan{}});
    scanned_ = 0;
    end_ = LineScan{};
}

void LineMap::extend(std::u16string_view piece) {
    for (const char16_t unit : piece) {
        end_ = step(end_, unit);
        if (++scanned_ % stride_ == 0) marks_.push_back({scanned_, end_});
    }
}

LineMap::Mark LineMap::markAt(std::int32_t offset) const {
    return marks_[static_cast<std::size_t>(std::clamp(offset, 0, scanned_) / stride_)];
}

LineMap::Stretch LineMap::stretchOf(std::int32_t line) const {
    // The first mark on that line or after it: the line begins before it, or just after it when
    // the mark falls inside a CR LF.
    const auto next = std::partition_point(marks_.begin() + 1, marks_.end(), [&](const Mark& mark) {
        return mark.scan.place.line < line;
    });
    const std::int32_t end = next == marks_.end() ? scanned_ : std::min(next->offset + 1, scanned_);
    return {*(next - 1), end};
}

int zoomStepped(int percent, int steps) {
    return std::clamp(percent + steps * kZoomStep, kZoomMin, kZoomMax);
}

int zoomPercent(int numerator, int denominator) {
    if (numerator <= 0 || denominator <= 0) return kZoomDefault;
    return static_cast<int>((static_cast<std::int64_t>(numerator) * 100 + denominator / 2) /
                            denominator);
}

String statusTexts(const StatusFacts& facts) {
    String texts = "Ln ";
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
