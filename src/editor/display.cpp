#include "editor/display.h"

#include "base/dll_search.h"
#include "base/win_handles.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// DWMWA_USE_IMMERSIVE_DARK_MODE; Windows 10 before its 20H1 update knew the same switch as 19.
constexpr DWORD kDarkModeAttributes[] = {20, 19};

bool appsThemeIsDark() {
    DWORD light = 1;
    DWORD bytes = sizeof light;
    const LSTATUS status = RegGetValueA(
        HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
        "AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &bytes);
    return status == ERROR_SUCCESS && light == 0;
}

}  // namespace

std::int32_t windowDpi(HWND window) {
    static const auto getDpiForWindow =
        libraryFunction<GetDpiForWindowFn>(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return static_cast<std::int32_t>(dpi);
    }
    WindowDC screen(nullptr);
    return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

void matchTitleBarToTheme(HWND window) {
    if (!appsThemeIsDark()) return;
    // Not one of the system's known DLLs: only the system folder's copy may be loaded.
    const HMODULE dwm = loadSystemLibrary("dwmapi.dll");
    if (dwm == nullptr) return;
    const auto setAttribute =
        libraryFunction<DwmSetWindowAttributeFn>(dwm, "DwmSetWindowAttribute");
    if (setAttribute == nullptr) return;
    const BOOL dark = TRUE;
    for (DWORD attribute : kDarkModeAttributes)
        if (SUCCEEDED(setAttribute(window, attribute, &dark, sizeof dark))) return;
}
