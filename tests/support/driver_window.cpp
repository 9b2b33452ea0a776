#include <algorithm>

#include "driver.h"

namespace e2e {

namespace {

bool matches(HWND window, const WindowQuery& query) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return IsWindowVisible(window) && (!query.pid || pid == query.pid) &&
           (query.className.empty() || className(window) == query.className) &&
           (query.title.empty() || windowText(window) == query.title);
}

std::string describe(const WindowQuery& query) {
    return "a window" +
           (query.className.empty() ? "" : " of the class " + inQuotes(query.className)) +
           (query.title.empty() ? "" : " titled " + inQuotes(query.title)) +
           (query.pid ? " of the process " + std::to_string(query.pid) : "");
}

INPUT keyInput(WORD key, bool up, WORD unit = 0) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = unit ? unit : static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (unit ? KEYEVENTF_UNICODE : 0);
    return input;
}

void send(HWND window, std::vector<INPUT> inputs) {
    bringToFront(window);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        throw DriverError("SendInput did not deliver every key event");
}

std::wstring wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    &text[0], static_cast<int>(text.size())));
    return text;
}

}  // namespace

HWND findWindow(const WindowQuery& query) {
    std::pair<const WindowQuery*, HWND> search{&query, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) {
            auto* search = reinterpret_cast<std::pair<const WindowQuery*, HWND>*>(context);
            if (matches(window, *search->first)) search->second = window;
            return search->second ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

HWND waitWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findWindow(query)) != nullptr; }, describe(query), timeoutMs);
    return found;
}

void waitGone(HWND window, const std::string& what, DWORD timeoutMs) {
    waitUntil([&] { return !IsWindowVisible(window); }, what + " to close", timeoutMs);
}

std::string windowText(HWND window) {
    // Read from the window manager's copy: no message is sent, so a hung program cannot stall it.
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string className(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

HWND control(HWND dialog, int id, const std::string& wanted) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id && (wanted.empty() || className(child) == wanted))
            return child;
    throw DriverError("no control " + std::to_string(id) + " " + wanted + " in the window " +
                      inQuotes(windowText(dialog)));
}

HWND descendant(HWND parent, const std::string& wanted) {
    HWND found = FindWindowExA(parent, nullptr, wanted.c_str(), nullptr);
    for (HWND child = GetWindow(parent, GW_CHILD); !found && child;
         child = GetWindow(child, GW_HWNDNEXT))
        found = FindWindowExA(child, nullptr, wanted.c_str(), nullptr);
    if (!found)
        throw DriverError("no " + inQuotes(wanted) + " control in " + inQuotes(windowText(parent)));
    return found;
}

std::string controlText(HWND edit) {
    // Windows copies WM_GETTEXT's answer across processes; the timeout keeps a hung program
    // from hanging the driver. A thread that has just finished a long task (a 4 MiB text into
    // its control) counts as hung until it next reads its queue, so it is asked again for a
    // while before the driver gives up.
    DWORD_PTR length = 0, got = 0;
    std::wstring text;
    const auto ask = [&] {
        text.clear();
        if (SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatience, &length))
            text.resize(length + 1);
        return !text.empty() &&
               SendMessageTimeoutW(edit, WM_GETTEXT, text.size(),
                                   reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                                   kPatience, &got) != 0;
    };
    const ULONGLONG deadline = GetTickCount64() + kPatience;
    while (!ask()) {
        if (!IsWindow(edit) || GetTickCount64() > deadline)
            throw DriverError("the control " + inQuotes(className(edit)) + " does not answer");
        Sleep(100);
    }
    std::string utf8(4 * got + 1, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                    static_cast<int>(std::min(got, length)), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

void setText(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
}

MessageBoxView waitMessageBox(const std::string& caption, DWORD pid, DWORD timeoutMs) {
    HWND box = waitWindow(dialogTitled(caption, pid), timeoutMs);
    return {box, controlText(control(box, 0xFFFF))};  // Windows numbers the box's text 0xFFFF
}

MessageBoxView answerMessageBox(const std::string& caption, int button, DWORD pid) {
    MessageBoxView box = waitMessageBox(caption, pid);
    pressButton(box.window, button);
    waitGone(box.window, "the message box " + inQuotes(box.text));
    return box;
}

void bringToFront(HWND window) {
    waitUntil(
        [&] { return GetForegroundWindow() == window || (SetForegroundWindow(window), false); },
        "the window " + inQuotes(windowText(window)) + " to come to the foreground");
}

void pressChord(HWND window, std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) inputs.push_back(keyInput(key, false));
    for (auto key = keys.end(); key != keys.begin();) inputs.push_back(keyInput(*--key, true));
    send(window, inputs);
}

void typeText(HWND window, const std::string& text) {
    std::vector<INPUT> inputs;
    for (wchar_t unit : wide(text))
        for (bool up : {false, true})
            inputs.push_back(unit == L'\n' ? keyInput(VK_RETURN, up) : keyInput(0, up, unit));
    send(window, inputs);
}

void saveScreenshot(HWND window, const std::string& path) {
    bringToFront(window);
    Sleep(300);  // let the program finish painting what it just showed
    const RECT rect = windowRect(window);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    BITMAPINFOHEADER info{sizeof(info), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD bits = 4u * width * height, offset = sizeof(BITMAPFILEHEADER) + sizeof(info);
    BITMAPFILEHEADER file{0x4D42, offset + bits, 0, 0, offset};
    std::string bmp(reinterpret_cast<const char*>(&file), sizeof(file));
    bmp.append(reinterpret_cast<const char*>(&info), sizeof(info)).resize(offset + bits);
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    copied = copied && GetDIBits(memory, bitmap, 0, height, &bmp[offset],
                                 reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw DriverError("cannot copy the pixels of " + inQuotes(windowText(window)));
    writeFile(path, bmp);
}

}  // namespace e2e
