// The main window's arithmetic and texts, kept free of the window system so that they can be
// tested anywhere: the title line, the size and position of the window, the editor font and the
// commands a read-only note must not offer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "resources/resource.h"
#include "storage/buffer.h"
#include "storage/text_limit.h"

constexpr const char* kNewDocumentLabel = "<new document>";

// "Quillox version <version>: " + label, or the path when there is no label, + " [read-only]".
String composeTitle(const char* label, const String& path, bool readOnly);

struct WindowSize {
    std::int32_t width;
    std::int32_t height;
};
// The window size in units from the note's header fields; 0 stands for "not recorded".
WindowSize windowSizeFromHeader(std::int32_t width, std::int32_t height);

struct WindowOrigin {
    std::int32_t x;
    std::int32_t y;
};
// A note's header keeps its window size in 96-DPI units, which is what an editor unaware of DPI
// stored all along; the window itself is sized in the pixels of the monitor it is on.
constexpr std::int32_t kUnitDpi = 96;
// `units` in pixels at `dpi`, and back, each rounded half away from zero, so that a size opened at
// 96 DPI or more and stored again is the size it was. An unknown DPI (0) counts as 96; a size that
// would not fit 32 bits stays as it is.
std::int32_t pixelsFromUnits(std::int32_t units, std::int32_t dpi);
std::int32_t unitsFromPixels(std::int32_t pixels, std::int32_t dpi);

// Where a window of the given size goes so that it sits in the middle of the reference window.
// Each half is truncated on its own, and the reference's own left and top are not added: the
// desktop window, the only reference, starts at (0, 0).
WindowOrigin centredOrigin(std::int32_t referenceWidth, std::int32_t referenceHeight,
                           std::int32_t width, std::int32_t height);

// number * numerator / denominator through 64 bits, rounded half away from zero; -1 when the
// denominator is 0 or the result does not fit in 32 bits. The system's MulDiv, portably.
std::int32_t mulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator);
// The font height that selects a character height of `points` at `dotsPerInch`: negative pixels.
std::int32_t fontHeight(std::int32_t points, std::int32_t dotsPerInch);

constexpr const char* kFontSettingsKey = "Software\\Quillworks\\Quillox";
constexpr const char* kDefaultFontFace = "Courier New";
constexpr std::int32_t kDefaultFontSize = 10;
constexpr std::size_t kFontFaceBufferSize = 260;
// The face name from the raw bytes of the "fontface" value (`count` bytes were read into a
// zero-filled buffer of kFontFaceBufferSize). Without a terminator inside that buffer the value
// cannot be a face name, and the default is used.
String fontFaceFromValue(const char* data, std::size_t count);
// The point size from the raw bytes of the "fontsize" value: exactly four bytes, little-endian.
std::int32_t fontSizeFromValue(const unsigned char* data, std::size_t count);

// The commands a read-only note must not offer, in the order they are grayed.
constexpr std::array<unsigned, 9> kReadOnlyCommands = {
    ID_FILE_SAVE,        ID_FILE_SAVE_AS,        ID_FILE_IMPORT_TEXT,
    ID_FILE_EXPORT_TEXT, ID_FILE_SET_PASSPHRASE, ID_FILE_MAKE_READONLY,
    ID_EDIT_CUT,         ID_EDIT_DELETE,         ID_EDIT_PASTE};
bool isReadOnlyCommand(unsigned command);
