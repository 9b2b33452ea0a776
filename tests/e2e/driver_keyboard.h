// The keyboard as a person uses it: keys go through SendInput to the foreground window, so
// accelerators are translated by the program's own message loop and typing reaches the control
// that has the focus.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace e2e {

// Brings `window` to the foreground and waits until it is there.
void bringToFront(HWND window);
// Presses the keys in order and releases them in reverse: {VK_CONTROL, 'S'} is Ctrl+S.
void pressChord(HWND window, std::initializer_list<WORD> keys);
void pressKey(HWND window, WORD key);
// Types printable ASCII text and line feeds (as Enter) into the focused control of `window`.
void typeText(HWND window, const std::string& text);

}  // namespace e2e
