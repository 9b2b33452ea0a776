#include "editor/status_bar.h"

#include <commctrl.h>

#include <algorithm>

#include "base/app_state.h"
#include "storage/buffer.h"

namespace {

// Room around each part's text: the frame the bar draws and a little air.
constexpr int kPartPadding = 24;
constexpr int kMaxParts = 8;
constexpr std::size_t kPartSize = 64;

}  // namespace

void StatusBar::create(HWND parent) {
    bar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                           0, 0, parent, nullptr, appState().instance, nullptr);
    visible_ = true;
}

void StatusBar::show(bool visible) {
    visible_ = visible;
    if (bar_) ShowWindow(bar_, visible ? SW_SHOW : SW_HIDE);
}

int StatusBar::height() const {
    if (!visible()) return 0;
    RECT rect{};
    GetWindowRect(bar_, &rect);
    return rect.bottom - rect.top;
}

void StatusBar::fit() {
    if (bar_) SendMessageW(bar_, WM_SIZE, 0, 0);
}

void StatusBar::setTexts(const String& texts) {
    if (!bar_) return;
    char parts[kMaxParts][kPartSize];
    int edges[kMaxParts];
    int count = 0;
    const HDC dc = GetDC(bar_);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(bar_, WM_GETFONT, 0, 0)));
    for (std::size_t from = 0, tab;
         count < kMaxParts && (tab = texts.find('\t', from)) != String::npos;
         from = tab + 1, ++count) {
        const int n = static_cast<int>(std::min<std::size_t>(tab - from, kPartSize - 1));
        std::memcpy(parts[count], texts.data() + from, n);
        parts[count][n] = '\0';
        SIZE size{};
        GetTextExtentPoint32A(dc, parts[count], n, &size);
        edges[count] = (count > 0 ? edges[count - 1] : 0) + size.cx + kPartPadding;
    }
    SelectObject(dc, old);
    ReleaseDC(bar_, dc);
    if (count == 0) return;
    edges[count - 1] = -1;
    SendMessageW(bar_, SB_SETPARTS, count, reinterpret_cast<LPARAM>(edges));
    for (int i = 0; i < count; ++i)
        SendMessageA(bar_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(parts[i]));
}
