// In the editor's test build only: "Quillox::fault" posted to its GUI thread arms the file layer's
// failure injection at point wParam, counted from the arming (0 disarms); lParam 1 makes a write
// stop part-way (a full disk). Nothing counts before the first arming, so start-up never shifts it.
#include <windows.h>

#include "storage/file.h"

namespace {

const UINT armMessage = RegisterWindowMessageA("Quillox::fault");

LRESULT CALLBACK onGetMessage(int code, WPARAM removal, LPARAM data) {
    const MSG* msg = reinterpret_cast<const MSG*>(data);
    if (code == HC_ACTION && removal == PM_REMOVE && msg->message == armMessage)
        file::fault::arm(static_cast<int>(msg->wParam),  // armed at point 0 is disarmed
                         msg->lParam ? file::fault::Mode::ShortWrite : file::fault::Mode::Fail);
    return CallNextHookEx(nullptr, code, removal, data);
}

// Installed before WinMain, on the thread that will run the message loop; it goes with the process.
[[maybe_unused]] const HHOOK hook =
    SetWindowsHookExA(WH_GETMESSAGE, onGetMessage, nullptr, GetCurrentThreadId());

}  // namespace
