// While one lives, each box the code under test opens on this thread (the modeless Find aside) gets
// the next answer as it is set up, OK once they run out, then Close: a test can call modal loops.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct BoxAnswerer {
    using Answer = std::function<void(HWND box)>;
    explicit BoxAnswerer(std::vector<Answer> answers = {});
    ~BoxAnswerer();

    // Fills the fields, then clicks as the mouse does (the command carries the button's handle).
    static Answer press(int button, std::vector<std::pair<int, std::string>> fields = {});

    std::vector<Answer> answers;
    // The boxes answered so far, as "caption|text" (the text of a message box, else empty).
    std::vector<std::string> seen;
    std::unique_ptr<HHOOK__, decltype(&UnhookWindowsHookEx)> hook;
};
