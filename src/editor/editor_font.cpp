#include "editor/editor_font.h"

#include "editor/window_rules.h"
#include "storage/buffer.h"

FontSettings readFontSettings() {
    FontSettings settings{kDefaultFontFace, kDefaultFontSize};
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFontSettingsKey, 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS) {
        return settings;
    }

    // The stored types are not examined: both values are taken as raw bytes.
    Buffer<char> face(kFontFaceBufferSize, '\0');
    DWORD faceBytes = static_cast<DWORD>(face.size());
    if (RegQueryValueExA(key.get(), "fontface", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(face.data()), &faceBytes) == ERROR_SUCCESS) {
        settings.face = fontFaceFromValue(face.data(), faceBytes);
    }

    unsigned char size[4] = {};
    DWORD sizeBytes = sizeof(size);
    if (RegQueryValueExA(key.get(), "fontsize", nullptr, nullptr, size, &sizeBytes) ==
        ERROR_SUCCESS) {
        settings.points = fontSizeFromValue(size, sizeBytes);
    }
    return settings;
}

FontHandle createEditorFont(const FontSettings& settings, std::int32_t dpi) {
    return FontHandle(CreateFontA(fontHeight(settings.points, dpi), 0, 0, 0, FW_NORMAL, FALSE,
                                  FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH,
                                  settings.face.c_str()));
}
