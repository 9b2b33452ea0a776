// What the message loop asks of the main window's view before it dispatches a message.
#pragma once

#include <windows.h>

// The accelerators act only on keys meant for the main window or one of its controls, never on
// those of another window of the thread (a dialog, a box).
bool acceleratorsApplyTo(HWND mainWindow, const MSG& message);
// Ctrl with the mouse wheel over the main window zooms through the zoom commands, one step a
// notch, so that the steps, the limits and the status bar are the commands' own. True when the
// message was taken.
bool zoomByWheel(HWND mainWindow, const MSG& message);
