// Menu item states of another process's window.
//
// Under Wine a menu handle is only readable inside the process that owns the menu (GetMenuState
// on another process's menu fails), so the driver loads a small probe DLL into the program and
// runs its one function on a thread of the program: it reads the states with GetMenuState and
// leaves them in a block of the program's memory that the driver reads back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace e2e {

// The block the probe works on, in the program's memory. Fixed-size, no pointers.
struct MenuProbeBlock {
    std::uint64_t window;
    std::uint32_t count;
    std::uint32_t ids[32];
    std::uint32_t states[32];
};

// GetMenuState(menu of `window`, id, MF_BYCOMMAND) for each id, read inside the program.
std::vector<UINT> menuStates(HWND window, const std::vector<UINT>& ids);
inline bool menuGrayed(UINT state) {
    return state != 0xFFFFFFFFu && (state & (MF_GRAYED | MF_DISABLED));
}

}  // namespace e2e
