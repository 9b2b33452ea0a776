#include "base/dll_search.h"

#include "storage/buffer.h"

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Looked up rather than imported, so that a system without it still starts the program. The update
// that brings it also teaches LoadLibraryExA the LOAD_LIBRARY_SEARCH_* flags: its presence tells
// that they are understood.
SetDefaultDllDirectoriesFn setDefaultDllDirectories() {
    return libraryFunction<SetDefaultDllDirectoriesFn>(GetModuleHandleA("kernel32.dll"),
                                                       "SetDefaultDllDirectories");
}

}  // namespace

void restrictDllSearch() {
    if (SetDefaultDllDirectoriesFn limit = setDefaultDllDirectories())
        limit(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE loadSystemLibrary(const char* name) {
    if (setDefaultDllDirectories())
        return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without the flags only a full path names the system folder's copy; the libraries it needs in
    // turn are then looked for beside it first.
    char folder[MAX_PATH];
    const UINT n = GetSystemDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) return nullptr;
    const String path = String(folder, n) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
