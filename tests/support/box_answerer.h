// Answers the dialog boxes that code under test opens on this thread, each as soon as it is set
// up, so that a test can call code that runs a modal loop: while one lives, each new box (the
// modeless Find dialog aside) gets the next of its answers, OK once they are used up, then Close.
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

    // Puts the texts into the controls, then clicks the button as the mouse does (the command
    // carries the button's handle).
    static Answer press(int button, std::vector<std::pair<int, std::string>> fields = {});

    std::vector<Answer> answers;
    // The boxes answered so far, as "caption|text" (the text of a message box, else empty).
    std::vector<std::string> seen;
    std::unique_ptr<HHOOK__, decltype(&UnhookWindowsHookEx)> hook;
};
