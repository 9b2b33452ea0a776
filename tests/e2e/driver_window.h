// Windows of other processes, found and operated the way a person meets them: top-level
// windows by class and title, dialog controls by id, buttons pressed, text typed and read.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// What a top-level window must look like to match. Empty fields match anything.
struct WindowQuery {
    std::string className;
    std::string title;         // the whole title, when `titlePrefix` is false
    bool titlePrefix = false;  // `title` only has to begin the window's title
    DWORD pid = 0;             // 0: any process

    std::string describe() const;
};

// The dialog class of message boxes, common dialogs and the editor's own dialogs.
constexpr const char* kDialogClass = "#32770";

WindowQuery dialogTitled(const std::string& title);

// Visible top-level windows that match, in z-order.
std::vector<HWND> findWindows(const WindowQuery& query);
HWND findWindow(const WindowQuery& query);
HWND waitWindow(const WindowQuery& query, DWORD timeoutMs = 0);
void waitGone(HWND window, const std::string& what, DWORD timeoutMs = 0);
// Fails when a matching window is visible now.
void expectNoWindow(const WindowQuery& query);

std::string windowText(HWND window);
std::string className(HWND window);
RECT windowRect(HWND window);

// A direct child with the control id `id` (and the class, when one is given).
HWND control(HWND dialog, int id, const std::string& className = {});
// The first descendant of the class `className`.
HWND descendant(HWND parent, const std::string& className);

// Replaces an edit control's text (WM_SETTEXT, which Windows copies across processes).
void setText(HWND edit, const std::string& text);
// Types `text` into a control one WM_CHAR at a time, as the keyboard would deliver it.
void postChars(HWND window, const std::string& text);
// Presses a button without waiting for it: BM_CLICK is posted, since the button may open a
// modal box that would hold a sent message.
void pressButton(HWND dialog, int id);
// Posts a menu or accelerator command to a window, as choosing the menu item does.
void postCommand(HWND window, int command);
void postClose(HWND window);

// Reads the text of a rich-edit or edit control across processes.
std::string controlText(HWND control);
bool editModified(HWND edit);
// The selection (start, end); positions past 65535 do not fit EM_GETSEL's answer.
std::pair<int, int> editSelection(HWND edit);

// A message box as it stands: caption and text (its static control, id 0xFFFF).
struct MessageBoxView {
    HWND window;
    std::string caption;
    std::string text;
};
MessageBoxView waitMessageBox(const std::string& caption, DWORD pid = 0, DWORD timeoutMs = 0);
// Reads the box, presses `button` (IDOK, IDYES, IDNO, IDCANCEL) and waits for it to close.
MessageBoxView answerMessageBox(const std::string& caption, int button, DWORD pid = 0);

}  // namespace e2e
