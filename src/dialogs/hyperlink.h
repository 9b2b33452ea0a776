// Turns a static control of a dialog into a hyperlink: link colours, a hand cursor and an
// underline while the pointer is over it, and the shell's "open" verb on a click or on the space
// key's release. The dialog itself is subclassed once, however many links it holds, to colour them.
#pragma once

#include <windows.h>

#include "storage/buffer.h"

class CHyperLink {
public:
    CHyperLink() = default;
    virtual ~CHyperLink() = default;
    CHyperLink(const CHyperLink&) = delete;
    CHyperLink& operator=(const CHyperLink&) = delete;

    // Makes the dialog's control `controlId` a link to `target`. The hot state starts afresh; the
    // visited state stays for the life of the object. FALSE when the control does not exist or
    // the target cannot be copied.
    BOOL attachToControl(HWND dialog, int controlId, const char* target);

    bool hot() const { return hot_ != 0; }
    bool visited() const { return visited_ != 0; }

    // Shared by every link of the process: attached and not yet destroyed, and their font.
    static int attachedCount();
    static HFONT underlineFont();

private:
    static LRESULT CALLBACK linkControlProc(HWND control, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static LRESULT CALLBACK linkParentProc(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT onMouseMove(HWND control, LPARAM lParam);
    LRESULT onCaptureChanged(HWND control);
    LRESULT onFocus(HWND control);
    LRESULT onDestroy(HWND control, WPARAM wParam, LPARAM lParam);
    LRESULT activate();
    static void drawFocusFrame(HWND control);
    static void subclassParent(HWND control);

    String target_;
    int hot_ = 0;
    int visited_ = 0;
    HFONT normalFont_ = nullptr;
    WNDPROC previous_ = nullptr;
};
