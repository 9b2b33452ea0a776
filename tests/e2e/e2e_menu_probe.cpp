// The probe DLL that the driver loads into a program to read its menu (see driver_menu.h).
#include "driver_menu.h"

extern "C" __declspec(dllexport) DWORD WINAPI e2eReadMenuStates(void* parameter) {
    auto* block = static_cast<e2e::MenuProbeBlock*>(parameter);
    HMENU menu = GetMenu(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(block->window)));
    if (!menu) return 2;
    for (std::uint32_t i = 0; i < block->count && i < 32; ++i) {
        block->states[i] = GetMenuState(menu, block->ids[i], MF_BYCOMMAND);
    }
    return 1;
}
