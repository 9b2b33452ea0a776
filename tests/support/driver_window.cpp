#include "driver.h"

#include <algorithm>

namespace e2e {

namespace {

bool matches(HWND window, const WindowQuery& query) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return IsWindowVisible(window) && (!query.pid || pid == query.pid) &&
           (query.className.empty() || className(window) == query.className) &&
           (query.title.empty() || windowText(window) == query.title);
}

BOOL CALLBACK collect(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<const WindowQuery*, std::vector<HWND>>*>(context);
    if (matches(window, *search->first)) search->second.push_back(window);
    return TRUE;
}

INPUT keyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void send(HWND window, std::vector<INPUT> inputs) {
    bringToFront(window);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        throw DriverError("SendInput did not deliver every key event");
}

void putBig32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// CRC-32 of ISO 3309 (reflected polynomial 0xEDB88320), bit by bit: screenshots are small.
std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

void putChunk(Bytes& png, const char* type, const Bytes& data) {
    putBig32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    putBig32(png, crc32(png.data() + typeAt, png.size() - typeAt));
}

// A truecolour PNG of top-down BGRX pixels. The image data is a zlib stream (header 0x78 0x01)
// of stored deflate blocks: each a final-block flag, LEN and its complement NLEN little-endian,
// the bytes; then the Adler-32 of the scanlines. No compression keeps the writer this short.
Bytes encodePng(int width, int height, const std::uint8_t* bgrx) {
    Bytes raw;
    for (int i = 0; i < width * height; ++i, bgrx += 4) {
        if (i % width == 0) raw.push_back(0);  // filter type None for each scanline
        raw.insert(raw.end(), {bgrx[2], bgrx[1], bgrx[0]});
    }
    Bytes zlib{0x78, 0x01};
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t len = std::min<std::size_t>(65535, raw.size() - at);
        zlib.insert(zlib.end(), {static_cast<std::uint8_t>(at + len == raw.size()),
                                 static_cast<std::uint8_t>(len), static_cast<std::uint8_t>(len >> 8),
                                 static_cast<std::uint8_t>(~len), static_cast<std::uint8_t>(~len >> 8)});
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + len);
        at += len;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) b = (b + (a = (a + byte) % 65521)) % 65521;
    putBig32(zlib, (b << 16) | a);
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header;
    putBig32(header, static_cast<std::uint32_t>(width));
    putBig32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, filter 0, no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

}  // namespace

std::string WindowQuery::describe() const {
    return "a window" + (className.empty() ? "" : " of the class " + inQuotes(className)) +
           (title.empty() ? "" : " titled " + inQuotes(title)) +
           (pid ? " of the process " + std::to_string(pid) : "");
}

std::vector<HWND> findWindows(const WindowQuery& query) {
    std::pair<const WindowQuery*, std::vector<HWND>> search{&query, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

HWND waitWindow(const WindowQuery& query, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findWindow(query)) != nullptr; }, query.describe(), timeoutMs);
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
    DWORD_PTR length = 0, got = 0;
    std::string text;
    // Windows copies WM_GETTEXT's answer across processes; the timeout keeps a hung program
    // from hanging the driver.
    if (SendMessageTimeoutA(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatience, &length))
        text.resize(length + 1);
    if (text.empty() || !SendMessageTimeoutA(edit, WM_GETTEXT, text.size(),
                                             reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                                             kPatience, &got))
        throw DriverError("the control " + inQuotes(className(edit)) + " does not answer");
    text.resize(std::min<std::size_t>(got, length));
    return text;
}

MessageBoxView waitMessageBox(const std::string& caption, DWORD pid, DWORD timeoutMs) {
    HWND box = waitWindow(dialogTitled(caption, pid), timeoutMs);
    // Windows numbers the box's text 0xFFFF.
    return {box, caption, controlText(control(box, 0xFFFF))};
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
    for (char c : text) {
        const SHORT scan = c == '\n' ? VK_RETURN : VkKeyScanA(c);
        if (scan == -1) throw DriverError(std::string("no key types the character ") + c);
        const bool shift = (HIBYTE(scan) & 1) != 0;
        if (shift) inputs.push_back(keyInput(VK_SHIFT, false));
        inputs.push_back(keyInput(LOBYTE(scan), false));
        inputs.push_back(keyInput(LOBYTE(scan), true));
        if (shift) inputs.push_back(keyInput(VK_SHIFT, true));
    }
    send(window, inputs);
}

void saveScreenshot(HWND window, const std::string& path) {
    bringToFront(window);
    Sleep(300);  // let the program finish painting what it just showed
    const RECT rect = windowRect(window);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = width > 0 && height > 0 && bitmap &&
                        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    if (copied) writeFile(path, encodePng(width, height, static_cast<const std::uint8_t*>(bits)));
    SelectObject(memory, old);
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw DriverError("cannot copy the pixels of " + inQuotes(windowText(window)));
}

}  // namespace e2e
