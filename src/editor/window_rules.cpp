#include "editor/window_rules.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "resources/version.h"
#include "storage/buffer.h"

String composeTitle(const char* label, const String& path, bool readOnly) {
    String title = "Quillox";
    title += " version " QUILLOX_VERSION_TEXT ": ";
    title += label ? String(label) : path;
    if (readOnly) title += " [read-only]";
    return title;
}

WindowSize windowSizeFromHeader(std::int32_t width, std::int32_t height) {
    return {width == 0 ? 480 : width, height == 0 ? 320 : height};
}

WindowOrigin centredOrigin(std::int32_t referenceWidth, std::int32_t referenceHeight,
                           std::int32_t width, std::int32_t height) {
    return {referenceWidth / 2 - width / 2, referenceHeight / 2 - height / 2};
}

std::int32_t mulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
    if (denominator == 0) return -1;
    std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    // Rounding away from zero: move the product half a divisor further from zero, then truncate.
    const std::int64_t half = divisor / 2;
    const std::int64_t result = (product >= 0 ? product + half : product - half) / divisor;
    if (result > std::numeric_limits<std::int32_t>::max() ||
        result < -std::numeric_limits<std::int32_t>::max()) {
        return -1;
    }
    return static_cast<std::int32_t>(result);
}

namespace {

std::int32_t rescale(std::int32_t value, std::int32_t from, std::int32_t to) {
    if (from <= 0 || to <= 0) return value;
    const std::int32_t scaled = mulDiv(value, to, from);
    return scaled == -1 && value != 0 && to != from ? value : scaled;
}

}  // namespace

std::int32_t pixelsFromUnits(std::int32_t units, std::int32_t dpi) {
    return rescale(units, kUnitDpi, dpi);
}

std::int32_t unitsFromPixels(std::int32_t pixels, std::int32_t dpi) {
    return rescale(pixels, dpi, kUnitDpi);
}

std::int32_t fontHeight(std::int32_t points, std::int32_t dotsPerInch) {
    return -mulDiv(points, dotsPerInch, 72);
}

String fontFaceFromValue(const char* data, std::size_t count) {
    count = std::min(count, kFontFaceBufferSize);
    const void* terminator = std::memchr(data, '\0', count);
    if (terminator) return String(data, static_cast<const char*>(terminator) - data);
    // The zero fill after a shorter value terminates it.
    if (count < kFontFaceBufferSize) return String(data, count);
    return kDefaultFontFace;
}

std::int32_t fontSizeFromValue(const unsigned char* data, std::size_t count) {
    if (count != 4) return kDefaultFontSize;
    const std::uint32_t value = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24;
    return static_cast<std::int32_t>(value);
}

bool isReadOnlyCommand(unsigned command) {
    return std::find(kReadOnlyCommands.begin(), kReadOnlyCommands.end(), command) !=
           kReadOnlyCommands.end();
}
