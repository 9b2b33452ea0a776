#include "dialogs/hyperlink.h"

#include <shellapi.h>
#include <windowsx.h>

#include "storage/buffer.h"
#include "storage/system_path.h"

namespace {

constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
constexpr char kPropertyName[] =
    "_Hyperlink_Object_Pointer_\\{AFEED740-CC6D-47c5-831D-9848FD916EEF}";

// The property that holds a link control's object and a subclassed parent's previous procedure.
// The global atom lives from static initialisation to exit; without it the name itself serves.
class PropertyAtom {
public:
    PropertyAtom() : atom_(GlobalAddAtomA(kPropertyName)) {}
    ~PropertyAtom() {
        if (atom_ != 0) GlobalDeleteAtom(atom_);
    }
    PropertyAtom(const PropertyAtom&) = delete;
    PropertyAtom& operator=(const PropertyAtom&) = delete;

    const char* name() const { return atom_ != 0 ? MAKEINTATOM(atom_) : kPropertyName; }

private:
    ATOM atom_;
};

const PropertyAtom propertyAtom;

int attachedLinks = 0;
HFONT sharedUnderlineFont = nullptr;
HCURSOR linkCursor = nullptr;

void createSharedResources(HFONT normalFont) {
    LOGFONTA font{};
    if (normalFont == nullptr) normalFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (GetObjectA(normalFont, sizeof font, &font) == sizeof font) {
        font.lfUnderline = TRUE;
        sharedUnderlineFont = CreateFontIndirectA(&font);
    }
    linkCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
    if (linkCursor == nullptr) linkCursor = LoadCursorA(nullptr, IDC_ARROW);
}

void releaseSharedResources() {
    linkCursor = nullptr;
    if (sharedUnderlineFont != nullptr) DeleteObject(sharedUnderlineFont);
    sharedUnderlineFont = nullptr;
}

WNDPROC procedureOf(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

void setProcedure(HWND window, WNDPROC procedure) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

}  // namespace

int CHyperLink::attachedCount() {
    return attachedLinks;
}

HFONT CHyperLink::underlineFont() {
    return sharedUnderlineFont;
}

BOOL CHyperLink::attachToControl(HWND dialog, int controlId, const char* target) {
    HWND control = GetDlgItem(dialog, controlId);
    if (control == nullptr || target == nullptr) return FALSE;
    target_ = target;
    // A dialog closed while a link was hot took the capture with it; the link starts at rest.
    hot_ = 0;
    // Attached twice, the control would call itself as its own previous procedure.
    if (procedureOf(control) == linkControlProc) return TRUE;

    subclassParent(control);
    SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);
    normalFont_ = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (attachedLinks++ == 0) createSharedResources(normalFont_);

    previous_ = procedureOf(control);
    SetPropA(control, propertyAtom.name(), this);
    setProcedure(control, linkControlProc);
    return TRUE;
}

void CHyperLink::subclassParent(HWND control) {
    HWND parent = GetParent(control);
    if (parent == nullptr || procedureOf(parent) == linkParentProc) return;
    SetPropA(parent, propertyAtom.name(), reinterpret_cast<HANDLE>(procedureOf(parent)));
    setProcedure(parent, linkParentProc);
}

LRESULT CALLBACK CHyperLink::linkControlProc(HWND control, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* link = static_cast<CHyperLink*>(GetPropA(control, propertyAtom.name()));
    if (link == nullptr) return DefWindowProcA(control, message, wParam, lParam);
    switch (message) {
        case WM_MOUSEMOVE:
            return link->onMouseMove(control, lParam);
        case WM_CAPTURECHANGED:
            return link->onCaptureChanged(control);
        case WM_SETCURSOR:
            SetCursor(linkCursor);
            return TRUE;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return link->onFocus(control);
        case WM_LBUTTONUP:
            return link->activate();
        case WM_KEYUP:
            if (wParam == VK_SPACE) return link->activate();
            break;
        case WM_DESTROY:
            return link->onDestroy(control, wParam, lParam);
    }
    return CallWindowProcA(link->previous_, control, message, wParam, lParam);
}

LRESULT CALLBACK CHyperLink::linkParentProc(HWND parent, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(parent, propertyAtom.name()));
    if (previous == nullptr) return DefWindowProcA(parent, message, wParam, lParam);
    if (message == WM_DESTROY) {
        setProcedure(parent, previous);
        RemovePropA(parent, propertyAtom.name());
        return CallWindowProcA(previous, parent, message, wParam, lParam);
    }
    const LRESULT result = CallWindowProcA(previous, parent, message, wParam, lParam);
    if (message != WM_CTLCOLORSTATIC) return result;
    auto* link =
        static_cast<CHyperLink*>(GetPropA(reinterpret_cast<HWND>(lParam), propertyAtom.name()));
    if (link != nullptr)
        SetTextColor(reinterpret_cast<HDC>(wParam), link->visited_ ? kVisitedColour : kLinkColour);
    return result;
}

LRESULT CHyperLink::onMouseMove(HWND control, LPARAM lParam) {
    if (!hot_) {
        hot_ = 1;
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(sharedUnderlineFont), FALSE);
        InvalidateRect(control, nullptr, FALSE);
        SetCapture(control);
        return 0;
    }
    RECT client;
    GetClientRect(control, &client);
    const POINT pointer{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (!PtInRect(&client, pointer)) ReleaseCapture();
    return 0;
}

LRESULT CHyperLink::onCaptureChanged(HWND control) {
    hot_ = 0;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(normalFont_), FALSE);
    InvalidateRect(control, nullptr, FALSE);
    return 0;
}

LRESULT CHyperLink::onFocus(HWND control) {
    drawFocusFrame(control);
    return 0;
}

LRESULT CHyperLink::onDestroy(HWND control, WPARAM wParam, LPARAM lParam) {
    setProcedure(control, previous_);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(normalFont_), FALSE);
    if (--attachedLinks <= 0) releaseSharedResources();
    RemovePropA(control, propertyAtom.name());
    return CallWindowProcA(previous_, control, WM_DESTROY, wParam, lParam);
}

// The shell reports its own failures; none is shown here (SEE_MASK_FLAG_NO_UI), and the link
// counts as visited either way.
LRESULT CHyperLink::activate() {
    const WString target = widePath(target_);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = target.c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
    visited_ = 1;
    return 0;
}

// DrawFocusRect inverts, so the same call on focus loss removes the frame drawn on focus gain.
void CHyperLink::drawFocusFrame(HWND control) {
    HWND parent = GetParent(control);
    if (parent == nullptr) return;
    RECT frame;
    GetWindowRect(control, &frame);
    InflateRect(&frame, 1, 1);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&frame), 2);
    HDC dc = GetDC(parent);
    if (dc == nullptr) return;
    DrawFocusRect(dc, &frame);
    ReleaseDC(parent, dc);
}
