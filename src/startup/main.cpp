#include <windows.h>

#include <cstdlib>
#include <new>

#include "startup/startup.h"
#include "storage/out_of_memory.h"

// The command line comes from the C runtime's argument vector and the window decides how it is
// shown, so the parameters are not used.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return runQuillox();
}

// The editor's few objects come from here: running out ends it as every other allocation does,
// where the library's allocation would throw std::bad_alloc into code built without exceptions.
void* operator new(std::size_t n) {
    if (void* p = std::malloc(n != 0 ? n : 1)) return p;
    outOfMemory();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
