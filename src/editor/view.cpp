// The main window's view: the status bar, the zoom, word wrap and going to a line. None of it is
// stored: every note opens with word wrap on, the status bar shown and the zoom at 100 %.
#include "editor/view.h"

#include <richedit.h>

#include "dialogs/go_to_dialog.h"
#include "editor/find.h"
#include "editor/main_window.h"
#include "editor/richedit.h"
#include "editor/view_rules.h"
#include "resources/resource.h"

namespace {

bool isOwnWindow(HWND mainWindow, HWND window) {
    return window == mainWindow || IsChild(mainWindow, window);
}

LONG caretPosition(HWND editor) {
    CHARRANGE selection{0, 0};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return selection.cpMax;
}

void checkMenuItem(HWND window, unsigned command, bool checked) {
    CheckMenuItem(GetMenu(window), command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

bool acceleratorsApplyTo(HWND mainWindow, const MSG& message) {
    return isOwnWindow(mainWindow, message.hwnd);
}

bool zoomByWheel(HWND mainWindow, const MSG& message) {
    if (message.message != WM_MOUSEWHEEL || !(GET_KEYSTATE_WPARAM(message.wParam) & MK_CONTROL) ||
        !isOwnWindow(mainWindow, message.hwnd))
        return false;
    // A fine-grained wheel sends parts of a notch; they add up to whole steps.
    static int remainder = 0;
    remainder += GET_WHEEL_DELTA_WPARAM(message.wParam);
    for (; remainder >= WHEEL_DELTA; remainder -= WHEEL_DELTA)
        SendMessageW(mainWindow, WM_COMMAND, ID_VIEW_ZOOM_IN, 0);
    for (; remainder <= -WHEEL_DELTA; remainder += WHEEL_DELTA)
        SendMessageW(mainWindow, WM_COMMAND, ID_VIEW_ZOOM_OUT, 0);
    return true;
}

void MainWindow::createView() {
    status_.create(window_);
    setWordWrap(true);
    // The selection notices keep the status bar on the caret; the change notices, on the length.
    SendMessageW(editor_, EM_SETEVENTMASK, 0, ENM_SELCHANGE | ENM_CHANGE);
}

void MainWindow::onViewCommand(unsigned command) {
    switch (command) {
        case ID_EDIT_FIND_PREVIOUS:
            findPrevious(*this);
            break;
        case ID_EDIT_GO_TO:
            goToLine();
            break;
        case ID_VIEW_ZOOM_IN:
            setZoom(zoomStepped(zoom(), 1));
            break;
        case ID_VIEW_ZOOM_OUT:
            setZoom(zoomStepped(zoom(), -1));
            break;
        case ID_VIEW_ZOOM_RESET:
            setZoom(kZoomDefault);
            break;
        case ID_VIEW_STATUS_BAR:
            status_.show(!status_.visible());
            checkMenuItem(window_, ID_VIEW_STATUS_BAR, status_.visible());
            layoutView();
            break;
        case ID_VIEW_WORD_WRAP:
            setWordWrap(!wordWrap_);
            break;
    }
}

void MainWindow::layoutView() {
    RECT client{};
    GetClientRect(window_, &client);
    status_.fit();
    MoveWindow(editor_, 0, 0, client.right, client.bottom - status_.height(), TRUE);
}

void MainWindow::updateStatusBar() {
    if (!editor_ || !status_.visible()) return;
    // The place asks the control for its length; the status shows that same length.
    const CaretPlace caret = lines_.placeOf(editor_, caretPosition(editor_));
    status_.setTexts(statusTexts({caret, lines_.length(), zoom(),
                                  (document_->header.flags & kNoteUtf8) != 0, isReadOnly()}));
}

int MainWindow::zoom() const {
    int numerator = 0, denominator = 0;
    SendMessageW(editor_, EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator),
                 reinterpret_cast<LPARAM>(&denominator));
    return zoomPercent(numerator, denominator);
}

void MainWindow::setZoom(int percent) {
    // As a ratio even for 100 %: some controls take the "no zoom" form without redrawing.
    SendMessageW(editor_, EM_SETZOOM, percent, 100);
}

void MainWindow::setWordWrap(bool on) {
    wordWrap_ = on;
    // A target width of 0 wraps at the window's edge; 1 means no wrapping at all, and the
    // horizontal scroll bar takes over.
    SendMessageW(editor_, EM_SETTARGETDEVICE, 0, on ? 0 : 1);
    checkMenuItem(window_, ID_VIEW_WORD_WRAP, on);
}

void MainWindow::goToLine() {
    std::int32_t line = lines_.placeOf(editor_, caretPosition(editor_)).line;
    if (!showGoToLineDialog(window_, lines_.count(editor_), line)) return;
    const LONG start = lines_.startOf(editor_, line);
    if (start < 0) return;
    selectEditorRange(editor_, start, start);
    SendMessageW(editor_, EM_SCROLLCARET, 0, 0);
}
