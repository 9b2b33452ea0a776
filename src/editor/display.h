// What the display asks of the main window: the DPI of its monitor and a title bar that follows
// the apps theme. Both use functions newer Windows versions have, looked up at run time, so the
// editor still starts on the older ones.
#pragma once

#include <windows.h>

#include <cstdint>

// The DPI `window` is shown at: its monitor's where the system tells it, else the system's.
std::int32_t windowDpi(HWND window);

// Gives `window` a dark title bar when the apps theme is dark; does nothing where the system
// lacks the means.
void matchTitleBarToTheme(HWND window);
