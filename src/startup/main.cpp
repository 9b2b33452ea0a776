#include <windows.h>

#include "startup/startup.h"

// The command line comes from the C runtime's argument vector and the window decides how it is
// shown, so the parameters are not used.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return runQuillox();
}
