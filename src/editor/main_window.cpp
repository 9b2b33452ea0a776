#include "editor/main_window.h"

#include <richedit.h>

#include "base/app_state.h"
#include "base/error_box.h"
#include "editor/command_rules.h"
#include "editor/display.h"
#include "editor/editor_font.h"
#include "editor/find.h"
#include "editor/richedit.h"
#include "editor/window_rules.h"
#include "resources/resource.h"
#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/system_path.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

constexpr const wchar_t* kClassName = L"Quillox::main";

constexpr DWORD kEditorStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                               ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN;

// A Unicode window, so that its title shows a path in any script.
bool registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = appState().instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    windowClass.lpszClassName = kClassName;
    // The class outlives a window; a later window of the same process uses it again.
    return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void centreOnDesktop(HWND window) {
    RECT desktop{};
    RECT own{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const WindowOrigin origin =
        centredOrigin(desktop.right - desktop.left, desktop.bottom - desktop.top, width, height);
    MoveWindow(window, origin.x, origin.y, width, height, TRUE);
}

}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Bound at the first message that carries the object, so that none after it is lost.
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);

    // Registered at run time, so it cannot be a case label.
    const UINT findMessage = appState().findMessage;
    if (findMessage != 0 && message == findMessage) {
        return self->onFindMessage(message, wParam, lParam);
    }
    switch (message) {
        case WM_CREATE:
            return self->onCreate(window);
        case WM_DESTROY:
            self->onDestroy();
            return 0;
        case WM_NCDESTROY:
            self->onNcDestroy();
            break;
        case WM_SIZE:
            self->onSize(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case WM_ACTIVATE:
            self->onActivate();
            return 0;
        case WM_CLOSE:
            self->onClose();
            return 0;
        case WM_COMMAND:
            // The editor reports each change of its text as a command of its own (0).
            if (HIWORD(wParam) == EN_CHANGE && reinterpret_cast<HWND>(lParam) == self->editor_)
                self->lines_.forget();
            self->onCommand(LOWORD(wParam));
            return 0;
        case WM_TIMER:
            self->lock_.onTimer(*self);
            return 0;
        case WM_WTSSESSION_CHANGE:
            self->lock_.onSessionChange(*self, wParam);
            return 0;
        case WM_POWERBROADCAST:
            self->lock_.onPower(*self, wParam);
            return TRUE;
        case WM_LBUTTONUP:
        case WM_CHAR:
            self->lock_.onLockedInput(*self);
            return 0;
        case kShowLockPrompt:
            self->lock_.onPrompt(*self);
            return 0;
        case WM_NOTIFY:
            self->updateStatusBar();
            return 0;
        case WM_DPICHANGED:
            self->onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

MainWindow::MainWindow(std::unique_ptr<NoteDocument> document, String& storedText)
    : document_(std::move(document)) {
    // Sized once its monitor is known (sizeFromHeader).
    if (!document_ || !registerWindowClass() ||
        !CreateWindowExW(WS_EX_OVERLAPPEDWINDOW, kClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0,
                         nullptr, nullptr, appState().instance, this) ||
        !window_) {
        window_ = nullptr;
        secureWipe(storedText);
        return;
    }

    U16String text = textOfStoredForm(storedText, (document_->header.flags & kNoteUtf8) != 0);
    secureWipe(storedText);
    // A note larger than the control holds (one written elsewhere) would be cut by the control
    // and then saved cut: it opens read-only instead, so nothing of it can be lost.
    const bool tooLarge = controlCharacters(text) > kEditorTextLimit;
    if (tooLarge) document_->header.flags |= kNoteReadOnly;
    // Sized before the text goes in: laid out at no width, the control wraps after every
    // character, and a large note of short lines took minutes to open.
    sizeFromHeader();
    setEditorText(text);
    secureWipe(text);
    setEditorModified(editor_, false);

    updateTitle(kNewDocumentLabel);
    show();
    if (isReadOnly()) {
        setEditorReadOnly(editor_, true);
        enableReadOnlyCommands(false);
    }
    if (tooLarge)
        MessageBoxA(window_,
                    "This note is larger than the editor can hold (4,194,304 characters). It is "
                    "opened read-only, so that saving cannot cut it short.",
                    "Quillox", MB_OK | MB_ICONINFORMATION);
    updateStatusBar();
}

MainWindow::~MainWindow() {
    if (!window_) return;
    // Still open (the message loop did not end it): unbind first, so that no message of the
    // closing window reaches this object.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    if (appState().mainWindow == window_) appState().mainWindow = nullptr;
    forgetFindDialogOf(window_);
    lock_.stop(window_);
    DestroyWindow(window_);
}

void MainWindow::updateTitle(const char* label) {
    const String title = composeTitle(label, document_->path, isReadOnly());
    SetWindowTextW(window_, widePath(title).c_str());
}

void MainWindow::getEditorText(U16String& text) const {
    readEditorText(editor_, text);
}

void MainWindow::setEditorText(std::u16string_view text) {
    writeEditorText(editor_, text);
    lines_.forget();
}

void MainWindow::storeEditorText() {
    U16String text;
    getEditorText(text);
    StoredText stored = storedFormOf(text);
    secureWipe(text);
    document_->setText(stored.bytes);
    secureWipe(stored.bytes);
    auto& flags = document_->header.flags;
    flags = stored.utf8 ? flags | kNoteUtf8 : flags & ~kNoteUtf8;
}

void MainWindow::enableReadOnlyCommands(bool enable) {
    const HMENU menu = GetMenu(window_);
    for (unsigned command : kReadOnlyCommands) {
        EnableMenuItem(menu, command, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    }
}

bool MainWindow::isReadOnly() const {
    return (document_->header.flags & kNoteReadOnly) != 0;
}

LRESULT MainWindow::onCreate(HWND window) {
    window_ = window;
    appState().mainWindow = window;
    updateTitle();
    const HICON icon = LoadIconA(appState().instance, MAKEINTRESOURCEA(IDI_MAIN));
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    matchTitleBarToTheme(window_);
    createEditor();
    lock_.start(window_);
    createView();
    return 0;
}

void MainWindow::onDestroy() {
    lock_.stop(window_);
    PostQuitMessage(0);
}

void MainWindow::onNcDestroy() {
    if (appState().mainWindow == window_) appState().mainWindow = nullptr;
    forgetFindDialogOf(window_);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
    editor_ = nullptr;
}

void MainWindow::createEditor() {
    RECT client{};
    GetClientRect(window_, &client);
    // The Unicode class: characters typed or pasted reach the control as UTF-16, where an ANSI
    // window would have them converted to the code page (and "?") on the way in.
    editor_ = CreateWindowExW(0, L"RichEdit20W", L"", kEditorStyle, 0, 0, client.right,
                              client.bottom, window_, nullptr, appState().instance, nullptr);
    SendMessageA(editor_, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    SendMessageA(editor_, EM_EXLIMITTEXT, 0, kEditorTextLimit);
    font_ = createEditorFont(readFontSettings(), windowDpi(window_));
    SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    RedrawWindow(editor_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void MainWindow::sizeFromHeader() {
    // The header gives units; the monitor the window is on tells the pixels.
    const WindowSize size =
        windowSizeFromHeader(document_->header.windowWidth, document_->header.windowHeight);
    const std::int32_t dpi = windowDpi(window_);
    SetWindowPos(window_, nullptr, 0, 0, pixelsFromUnits(size.width, dpi),
                 pixelsFromUnits(size.height, dpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::show() {
    if (document_->header.flags & kNoteMaximized) {
        ShowWindow(window_, SW_MAXIMIZE);
        return;
    }
    centreOnDesktop(window_);
    ShowWindow(window_, SW_SHOW);
}

void MainWindow::onSize(int, int) {
    layoutView();
}

// Moved to a monitor of another DPI, or the monitor's scale changed: the place the system
// suggests, and the editor font's size in the new pixels.
void MainWindow::onDpiChanged(int dpi, const RECT& suggested) {
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FontHandle font = createEditorFont(readFontSettings(), dpi);
    SendMessageA(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);
}

void MainWindow::onActivate() {
    SetFocus(lock_.locked() ? window_ : editor_);
}

void MainWindow::onClose() {
    if (lock_.locked()) return lock_.onClose(*this);
    if (queryExit()) DestroyWindow(window_);
}

LRESULT MainWindow::onFindMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (onFindNotification(*this)) return DefWindowProcW(window_, message, wParam, lParam);
    return 0;
}
