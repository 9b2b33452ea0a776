// Where the programs' libraries come from. A note runs from wherever it lands (a download folder,
// a mail attachment's folder, a shared drive, a USB stick), and Windows looks for a library that is
// not one of its known DLLs in the program's own folder first: a file planted there under such a
// name would run with the user's rights. So the programs import known DLLs only and load every
// other library themselves, from the system folder.
#pragma once

#include <windows.h>

// Leaves only the system folder in the process's library search, where the system offers the
// means (Windows 8 on, and older systems with their security update); called first thing.
void restrictDllSearch();

// Loads the library `name` from the system folder only; null when it cannot be loaded from there.
HMODULE loadSystemLibrary(const char* name);

// The function `name` of `module` as a pointer of type Fn; null when the module lacks it.
template <typename Fn>
Fn libraryFunction(HMODULE module, const char* name) {
    // Through void (*)(), the one cast between function pointer types GCC takes as deliberate.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
