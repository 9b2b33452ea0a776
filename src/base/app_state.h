// Process-wide start-up state, gathered once by the entry sequence and read everywhere else.
#pragma once

#include <windows.h>

#include "storage/buffer.h"

struct AppState {
    HINSTANCE instance = nullptr;
    String modulePath;          // UTF-8, as every path inside the program
    HWND mainWindow = nullptr;  // while the main window exists
    UINT findMessage = 0;       // registered for "commdlg_FindReplace"
    String notePath;            // set by "-edit"; empty means none
    bool eraseOnExit = false;   // set by "-edit": this executable is a disposable copy
};

AppState& appState();
