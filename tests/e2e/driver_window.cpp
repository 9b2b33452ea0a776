#include "driver_window.h"

#include "driver_wait.h"

#include <algorithm>

namespace e2e {

namespace {

DWORD orPatience(DWORD timeoutMs) {
    return timeoutMs ? timeoutMs : kPatience;
}

struct Search {
    const WindowQuery* query;
    std::vector<HWND> found;
};

bool matches(HWND window, const WindowQuery& query) {
    if (!IsWindowVisible(window)) return false;
    if (query.pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != query.pid) return false;
    }
    if (!query.className.empty() && className(window) != query.className) return false;
    if (query.title.empty()) return true;
    const std::string title = windowText(window);
    return query.titlePrefix ? title.rfind(query.title, 0) == 0 : title == query.title;
}

BOOL CALLBACK collect(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (matches(window, *search->query)) search->found.push_back(window);
    return TRUE;
}

struct ChildSearch {
    std::string className;
    HWND found = nullptr;
};

BOOL CALLBACK firstOfClass(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ChildSearch*>(context);
    if (className(window) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::string WindowQuery::describe() const {
    std::string text = "a window";
    if (!className.empty()) text += " of the class " + inQuotes(className);
    if (!title.empty())
        text += (titlePrefix ? " with a title beginning " : " titled ") + inQuotes(title);
    if (pid) text += " of the process " + std::to_string(pid);
    return text;
}

WindowQuery dialogTitled(const std::string& title) {
    WindowQuery query;
    query.className = kDialogClass;
    query.title = title;
    return query;
}

std::vector<HWND> findWindows(const WindowQuery& query) {
    Search search{&query, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND findWindow(const WindowQuery& query) {
    const auto found = findWindows(query);
    return found.empty() ? nullptr : found.front();
}

HWND waitWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findWindow(query)) != nullptr; }, query.describe(),
              orPatience(timeoutMs));
    return found;
}

void waitGone(HWND window, const std::string& what, DWORD timeoutMs) {
    waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, what + " to close",
              orPatience(timeoutMs));
}

void expectNoWindow(const WindowQuery& query) {
    if (HWND window = findWindow(query)) {
        throw DriverError("unexpected " + query.describe() + ": " + inQuotes(windowText(window)));
    }
}

std::string windowText(HWND window) {
    // The caption as the window manager keeps it: reading it sends no message, so a busy or
    // hung process cannot stall a search over all windows.
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string className(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

HWND control(HWND dialog, int id, const std::string& wantedClass) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) != id) continue;
        if (!wantedClass.empty() && className(child) != wantedClass) continue;
        return child;
    }
    throw DriverError("no control " + std::to_string(id) +
                      (wantedClass.empty() ? "" : " of the class " + inQuotes(wantedClass)) +
                      " in the window " + inQuotes(windowText(dialog)));
}

HWND descendant(HWND parent, const std::string& wanted) {
    ChildSearch search{wanted};
    EnumChildWindows(parent, firstOfClass, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        throw DriverError("no " + inQuotes(wanted) + " control in the window " +
                          inQuotes(windowText(parent)));
    }
    return search.found;
}

void setText(HWND edit, const std::string& text) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void postChars(HWND window, const std::string& text) {
    for (char c : text) PostMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void pressButton(HWND dialog, int id) {
    PostMessageA(control(dialog, id, "Button"), BM_CLICK, 0, 0);
}

void postCommand(HWND window, int command) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void postClose(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}

std::string controlText(HWND edit) {
    // WM_GETTEXT reaches the control itself (Windows copies the answer across processes); the
    // timeout keeps a hung program from hanging the driver.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatience, &length)) {
        throw DriverError("the control " + inQuotes(className(edit)) +
                          " does not answer WM_GETTEXTLENGTH");
    }
    std::string text(length + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kPatience, &got)) {
        throw DriverError("the control " + inQuotes(className(edit)) +
                          " does not answer WM_GETTEXT");
    }
    text.resize(std::min<std::size_t>(got, length));
    return text;
}

bool editModified(HWND edit) {
    return SendMessageA(edit, EM_GETMODIFY, 0, 0) != 0;
}

std::pair<int, int> editSelection(HWND edit) {
    const DWORD packed = static_cast<DWORD>(SendMessageA(edit, EM_GETSEL, 0, 0));
    return {LOWORD(packed), HIWORD(packed)};
}

MessageBoxView waitMessageBox(const std::string& caption, DWORD pid, DWORD timeoutMs) {
    WindowQuery query = dialogTitled(caption);
    query.pid = pid;
    MessageBoxView box{waitWindow(query, timeoutMs), caption, {}};
    // The text control is there once the box is visible.
    box.text = controlText(control(box.window, 0xFFFF));
    return box;
}

MessageBoxView answerMessageBox(const std::string& caption, int button, DWORD pid) {
    MessageBoxView box = waitMessageBox(caption, pid);
    pressButton(box.window, button);
    waitGone(box.window, "the message box " + inQuotes(box.text));
    return box;
}

}  // namespace e2e
