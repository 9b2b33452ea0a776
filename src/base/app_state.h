// Process-wide start-up state, gathered once by the entry sequence and read everywhere else.
#pragma once

#include <windows.h>

#include <string>

struct AppState {
    HINSTANCE instance = nullptr;
    std::string modulePath;     // UTF-8, as every path inside the program
    HWND mainWindow = nullptr;  // while the main window exists
    UINT findMessage = 0;       // registered for "commdlg_FindReplace"
    std::string notePath;       // set by "-edit"; empty means none
    bool eraseOnExit = false;   // set by "-edit": this executable is a disposable copy
};

AppState& appState();
