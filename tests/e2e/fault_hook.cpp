// In the editor's test build only: "Quillox::fault" posted to its GUI thread arms the file layer's
// failure injection at point wParam, counted from the arming (0 disarms); lParam 1 makes a write
// stop part-way (a full disk). Nothing counts before the first arming, so start-up never shifts it.
// "Quillox::heapscan" looks for a text in the process's heaps (heap_scan.h).
#include <windows.h>

#include <cstring>

#include "heap_scan.h"
#include "storage/crypto/sha256.h"
#include "storage/file.h"

namespace {

const UINT armMessage = RegisterWindowMessageA("Quillox::fault");
const UINT scanMessage = RegisterWindowMessageA("Quillox::heapscan");

std::size_t hitsIn(const char* data, std::size_t n, const void* needle, std::size_t size) {
    std::size_t hits = 0;
    for (std::size_t i = 0; i + size <= n; ++i) hits += std::memcmp(data + i, needle, size) == 0;
    return hits;
}

// Nothing here allocates: the walk must not add blocks of its own while it reads them.
void answerScan(DWORD thread) {
    wchar_t wide[sizeof kHeapNeedle - 1];
    for (std::size_t i = 0; i < sizeof wide / sizeof wide[0]; ++i) wide[i] = kHeapNeedle[i];
    std::uint8_t key[32];
    sha256(kHeapPassphrase, sizeof kHeapPassphrase - 1, key);
    std::size_t held = 0, freed = 0;
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD h = 0; h < count && h < 64; ++h) {
        HeapLock(heaps[h]);
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[h], &entry)) {
            if (entry.wFlags & (PROCESS_HEAP_REGION | PROCESS_HEAP_UNCOMMITTED_RANGE)) continue;
            const auto* data = static_cast<const char*>(entry.lpData);
            const std::size_t hits = hitsIn(data, entry.cbData, kHeapNeedle, sizeof wide / 2) +
                                     hitsIn(data, entry.cbData, wide, sizeof wide) +
                                     hitsIn(data, entry.cbData, key, sizeof key);
            (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY ? held : freed) += hits;
        }
        HeapUnlock(heaps[h]);
    }
    PostThreadMessageA(thread, RegisterWindowMessageA("Quillox::heapfound"), held, freed);
}

LRESULT CALLBACK onGetMessage(int code, WPARAM removal, LPARAM data) {
    const MSG* msg = reinterpret_cast<const MSG*>(data);
    if (code == HC_ACTION && removal == PM_REMOVE && msg->message == scanMessage)
        answerScan(static_cast<DWORD>(msg->wParam));
    if (code == HC_ACTION && removal == PM_REMOVE && msg->message == armMessage)
        file::fault::arm(static_cast<int>(msg->wParam),  // armed at point 0 is disarmed
                         msg->lParam ? file::fault::Mode::ShortWrite : file::fault::Mode::Fail);
    return CallNextHookEx(nullptr, code, removal, data);
}

// Installed before WinMain, on the thread that will run the message loop; it goes with the process.
[[maybe_unused]] const HHOOK hook =
    SetWindowsHookExA(WH_GETMESSAGE, onGetMessage, nullptr, GetCurrentThreadId());

}  // namespace
