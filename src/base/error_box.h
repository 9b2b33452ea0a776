#pragma once

#include <windows.h>

// The window a box or dialog of the program belongs to, so that it never hides behind that
// window nor leaves it usable while it is up: the program's active window (a dialog that is up,
// or the main window), else the main window; none before the main window exists.
HWND boxOwner();

// The one error box of the system: owned by boxOwner(), caption "Quillox::error", warning icon, OK.
void showError(const char* text);
