#include "box_answerer.h"

#include "driver.h"

using e2e::windowText;

namespace {

BoxAnswerer* active = nullptr;  // the hook has no parameter to carry it

// Called as each sent message returns: a box is set up once its WM_INITDIALOG has returned, and
// what the answer posts is handled by the box's own loop.
LRESULT CALLBACK afterMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto& sent = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (sent.message == WM_INITDIALOG && active && windowText(sent.hwnd) != "Find") {
        const std::size_t next = active->seen.size();
        const auto answer =
            next < active->answers.size() ? active->answers[next] : BoxAnswerer::press(IDOK);
        const HWND text = GetDlgItem(sent.hwnd, 0xFFFF);  // a message box's text
        active->seen.push_back(windowText(sent.hwnd) + "|" + (text ? windowText(text) : ""));
        answer(sent.hwnd);
        PostMessageA(sent.hwnd, WM_CLOSE, 0, 0);  // a wrong answer must not hold the test up
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

BoxAnswerer::BoxAnswerer(std::vector<Answer> answers)
    : answers(std::move(answers)),
      hook(SetWindowsHookExA(WH_CALLWNDPROCRET, afterMessage, nullptr, GetCurrentThreadId()),
           &UnhookWindowsHookEx) {
    active = this;
}

BoxAnswerer::~BoxAnswerer() {
    active = nullptr;
}

BoxAnswerer::Answer BoxAnswerer::press(int button,
                                       std::vector<std::pair<int, std::string>> fields) {
    return [button, fields](HWND box) {
        for (const auto& [id, text] : fields) SetDlgItemTextA(box, id, text.c_str());
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    };
}
