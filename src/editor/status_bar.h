// The status bar under the editor: a common control from the library start-up loads from the
// system folder. Without that library there is no bar, and the editor fills the window as before.
#pragma once

#include <windows.h>

#include "storage/buffer.h"

class StatusBar {
public:
    void create(HWND parent);
    void show(bool visible);
    bool visible() const { return bar_ && visible_; }
    // The height the bar takes from the bottom of the parent's client area; 0 while hidden.
    int height() const;
    // Follows the parent's new size: the bar places itself along the bottom.
    void fit();
    // One part per text (each ended by a tab), as wide as its text; the last one takes the rest.
    void setTexts(const String& texts);
    HWND handle() const { return bar_; }

private:
    HWND bar_ = nullptr;
    bool visible_ = true;
};
