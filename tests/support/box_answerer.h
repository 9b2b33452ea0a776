// Answers the dialog boxes that code under test opens in this process, from a thread of its own,
// so that a test can call code that runs a modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

class BoxAnswerer {
public:
    using Answer = std::function<void(HWND box)>;
    // Each new box of this process (the modeless Find dialog aside) gets the next answer in
    // turn; once they are used up, a box is answered with OK.
    explicit BoxAnswerer(std::vector<Answer> answers = {});
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // The boxes answered so far, as "caption|text" (the text of a message box, else empty).
    std::vector<std::string> seen();

    // Clicks the button as the mouse does (the command carries the button's handle).
    static Answer press(int id);
    // Puts the texts into the controls, then clicks `button`.
    static Answer fill(std::vector<std::pair<int, std::string>> fields, int button);
    // A file dialog: the file name, then OK.
    static Answer chooseFile(const std::string& path);

private:
    static DWORD WINAPI run(void* self);

    std::mutex guard_;
    std::vector<Answer> answers_;
    std::vector<std::string> seen_;
    std::set<HWND> handled_;  // the answering thread's own
    HANDLE stop_;
    HANDLE thread_;
};
