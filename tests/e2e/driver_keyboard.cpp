#include "driver_keyboard.h"

#include "driver_wait.h"
#include "driver_window.h"

#include <vector>

namespace e2e {

namespace {

INPUT keyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void send(std::vector<INPUT>& inputs) {
    if (inputs.empty()) return;
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        throw DriverError("SendInput delivered " + std::to_string(sent) + " of " +
                          std::to_string(inputs.size()) + " key events");
    inputs.clear();
}

}  // namespace

void bringToFront(HWND window) {
    waitUntil(
        [&] {
            if (GetForegroundWindow() == window) return true;
            SetForegroundWindow(window);
            return false;
        },
        "the window " + inQuotes(windowText(window)) + " to come to the foreground");
}

void pressChord(HWND window, std::initializer_list<WORD> keys) {
    bringToFront(window);
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(keyInput(key, false));
    for (auto key = keys.end(); key != keys.begin();) inputs.push_back(keyInput(*--key, true));
    send(inputs);
}

void pressKey(HWND window, WORD key) {
    pressChord(window, {key});
}

void typeText(HWND window, const std::string& text) {
    bringToFront(window);
    std::vector<INPUT> inputs;
    for (char c : text) {
        if (c == '\n') {
            inputs.push_back(keyInput(VK_RETURN, false));
            inputs.push_back(keyInput(VK_RETURN, true));
            continue;
        }
        const SHORT scan = VkKeyScanA(c);
        if (scan == -1) throw DriverError(std::string("no key types the character ") + c);
        const WORD key = LOBYTE(scan);
        const bool shift = (HIBYTE(scan) & 1) != 0;
        if (shift) inputs.push_back(keyInput(VK_SHIFT, false));
        inputs.push_back(keyInput(key, false));
        inputs.push_back(keyInput(key, true));
        if (shift) inputs.push_back(keyInput(VK_SHIFT, true));
    }
    send(inputs);
}

}  // namespace e2e
