#include "box_answerer.h"

#include <dlgs.h>

#include "driver.h"

using e2e::className;
using e2e::windowText;

namespace {

BOOL CALLBACK collectBoxes(HWND window, LPARAM out) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        className(window) == "#32770" && windowText(window) != "Find")
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
    return TRUE;
}

}  // namespace

BoxAnswerer::BoxAnswerer(std::vector<Answer> answers)
    : answers_(std::move(answers)),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      thread_(CreateThread(nullptr, 0, run, this, 0, nullptr)) {}

BoxAnswerer::~BoxAnswerer() {
    SetEvent(stop_);
    // The answering thread may be asking a window of this thread for its text, which only this
    // thread can answer: go on handling sent messages until it has finished, or both wait forever.
    while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
    CloseHandle(thread_);
    CloseHandle(stop_);
}

std::vector<std::string> BoxAnswerer::seen() {
    std::lock_guard<std::mutex> lock(guard_);
    return seen_;
}

BoxAnswerer::Answer BoxAnswerer::press(int id) {
    return [id](HWND box) {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    };
}

BoxAnswerer::Answer BoxAnswerer::fill(std::vector<std::pair<int, std::string>> fields, int button) {
    return [fields, button](HWND box) {
        for (const auto& [id, text] : fields) SetDlgItemTextA(box, id, text.c_str());
        press(button)(box);
    };
}

BoxAnswerer::Answer BoxAnswerer::chooseFile(const std::string& path) {
    return [path](HWND box) { fill({{GetDlgItem(box, edt1) ? edt1 : cmb13, path}}, IDOK)(box); };
}

DWORD WINAPI BoxAnswerer::run(void* self) {
    auto& answerer = *static_cast<BoxAnswerer*>(self);
    while (WaitForSingleObject(answerer.stop_, 20) == WAIT_TIMEOUT) {
        for (auto it = answerer.handled_.begin(); it != answerer.handled_.end();)
            it = IsWindow(*it) ? std::next(it) : answerer.handled_.erase(it);
        std::vector<HWND> boxes;
        EnumWindows(collectBoxes, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            if (!answerer.handled_.insert(box).second) continue;
            const std::string text = windowText(GetDlgItem(box, 0xFFFF));  // a message box's text
            Answer answer = press(IDOK);
            {
                std::lock_guard<std::mutex> lock(answerer.guard_);
                if (answerer.seen_.size() < answerer.answers_.size())
                    answer = answerer.answers_[answerer.seen_.size()];
                answerer.seen_.push_back(windowText(box) + "|" + text);
            }
            answer(box);
        }
    }
    return 0;
}
