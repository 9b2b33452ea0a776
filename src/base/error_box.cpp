#include "base/error_box.h"

#include <windows.h>

void showError(const char* text) {
    MessageBoxA(nullptr, text, "Quillox::error", MB_ICONWARNING | MB_OK);
}
