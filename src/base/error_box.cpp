#include "base/error_box.h"

#include "base/app_state.h"

HWND boxOwner() {
    const HWND active = GetActiveWindow();
    return active != nullptr ? active : appState().mainWindow;
}

void showError(const char* text) {
    MessageBoxA(boxOwner(), text, "Quillox::error", MB_ICONWARNING | MB_OK);
}
