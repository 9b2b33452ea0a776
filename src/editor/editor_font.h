// The editor font, configured by two values under the current user's settings key and only read.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/win_handles.h"
#include "storage/buffer.h"

struct FontSettings {
    String face;
    std::int32_t points;
};
// "fontface" and "fontsize" as stored, each falling back to its default on its own when it cannot
// be read; both defaults when the key cannot be opened.
FontSettings readFontSettings();
// A normal-weight, fixed-pitch TrueType font of the settings' face and size at `dpi`.
FontHandle createEditorFont(const FontSettings& settings, std::int32_t dpi);
