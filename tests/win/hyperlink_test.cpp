// CHyperLink on real static controls, and the About box that uses it.
#include "dialogs/hyperlink.h"

#include <gtest/gtest.h>

#include "dialogs/about_dialog.h"
#include "resources/resource.h"

namespace {

constexpr COLORREF kLink = RGB(0, 0, 255), kVisited = RGB(128, 0, 128), kParents = RGB(1, 2, 3);
// Targets the shell cannot open, so that activating a link starts nothing.
constexpr const char* kTargetA = "Z:\\quillox-no-such-folder\\a.txt";
constexpr const char* kTargetB = "Z:\\quillox-no-such-folder\\b.txt";

struct CountingLink : CHyperLink {
    int enters = 0, leaves = 0;
    void OnHotEnter() override { ++enters; }
    void OnHotLeave() override { ++leaves; }
};

// A parent with three static controls: 1003 and 1004 to become links, 1005 to stay plain. The
// parent colours plain statics itself, as a dialog may.
class Hyperlinks : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message != WM_CTLCOLORSTATIC)
                return DefWindowProcA(window, message, wParam, lParam);
            SetTextColor(reinterpret_cast<HDC>(wParam), kParents);
            return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        };
        windowClass.lpszClassName = "QuilloxLinkTestParent";
        RegisterClassA(&windowClass);
        parent_ = CreateWindowExA(0, "QuilloxLinkTestParent", "links", WS_OVERLAPPEDWINDOW, 0, 0,
                                  400, 200, nullptr, nullptr, nullptr, nullptr);
        for (int id : {1003, 1004, 1005})
            SendMessageA(
                CreateWindowExA(0, "STATIC", "link", WS_CHILD | WS_VISIBLE, 10, 30 * (id - 1003),
                                120, 20, parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                nullptr, nullptr),
                WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        dc_ = CreateCompatibleDC(nullptr);
    }
    void TearDown() override {
        DeleteDC(dc_);
        if (parent_) DestroyWindow(parent_);
        parent_ = nullptr;
    }
    HWND control(int id) const { return GetDlgItem(parent_, id); }
    COLORREF colourOf(int id) {
        SetTextColor(dc_, RGB(9, 9, 9));
        SendMessageA(parent_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc_),
                     reinterpret_cast<LPARAM>(control(id)));
        return GetTextColor(dc_);
    }
    HFONT font() const {
        return reinterpret_cast<HFONT>(SendMessageA(control(1003), WM_GETFONT, 0, 0));
    }
    void send(int id, UINT message, WPARAM wParam, LPARAM lParam) {
        SendMessageA(control(id), message, wParam, lParam);
    }

    // Declared before the window: the links outlive their controls, destroyed in TearDown.
    CountingLink a, b;
    HWND parent_ = nullptr;
    HDC dc_ = nullptr;
};

TEST_F(Hyperlinks, LinksColourThemselvesAreVisitedByClickOrSpaceAndShareOneFont) {
    const int before = CHyperLink::attachedCount();
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    // A second link must not subclass the parent again: its procedure would call itself.
    ASSERT_TRUE(b.AttachToControl(parent_, 1004, kTargetB));
    EXPECT_FALSE(b.AttachToControl(parent_, 1099, kTargetB)) << "no such control";
    EXPECT_EQ(before + 2, CHyperLink::attachedCount());
    EXPECT_TRUE(GetWindowLongPtrA(control(1003), GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(kLink, colourOf(1004));
    EXPECT_EQ(kParents, colourOf(1005));
    send(1004, WM_KEYDOWN, VK_SPACE, 0);
    send(1004, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_FALSE(b.visited());
    send(1004, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(b.visited());
    EXPECT_FALSE(a.visited());
    send(1003, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(a.visited());
    EXPECT_EQ(kVisited, colourOf(1003));
    TearDown();
    EXPECT_EQ(before, CHyperLink::attachedCount());
    EXPECT_TRUE(before > 0 || !CHyperLink::underlineFont()) << "the last link frees the font";
    SetUp();
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetB));
    EXPECT_NE(nullptr, CHyperLink::underlineFont());
    EXPECT_TRUE(a.visited()) << "visited stays with the link";
    EXPECT_EQ(kVisited, colourOf(1003));
    EXPECT_EQ(kTargetB, a.target());
}

TEST_F(Hyperlinks, HotWhileThePointerIsOverItOnEverySide) {
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    const HFONT normal = font();
    RECT client;
    GetClientRect(control(1003), &client);
    for (const POINT p :
         {POINT{-1, 5}, POINT{5, -1}, POINT{client.right, 5}, POINT{5, client.bottom}}) {
        send(1003, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_TRUE(a.hot() && GetCapture() == control(1003));
        EXPECT_EQ(CHyperLink::underlineFont(), font());
        send(1003, WM_MOUSEMOVE, 0, MAKELPARAM(client.right - 1, client.bottom - 1));
        EXPECT_TRUE(a.hot()) << "the last pixel is still inside";
        send(1003, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        EXPECT_FALSE(a.hot() || GetCapture() == control(1003)) << p.x << "," << p.y;
        EXPECT_EQ(normal, font());
    }
    EXPECT_EQ(4, a.enters);
    EXPECT_EQ(4, a.leaves);
    send(1003, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SetCapture(parent_);
    EXPECT_FALSE(a.hot()) << "losing the capture ends the hot state";
    ReleaseCapture();
    send(1003, WM_SETFOCUS, 0, 0);
    send(1003, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(6, a.enters) << "the focus calls the hooks too";
    EXPECT_EQ(6, a.leaves);
    EXPECT_FALSE(a.hot()) << "focus does not make a link hot";
}

TEST(AboutBox, AttachesBothLinksAndReleasesThemWhenClosed) {
    const int before = CHyperLink::attachedCount();
    for (int opening = 0; opening < 3; ++opening) {
        HWND about = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT),
                                        nullptr, AboutDialogProc, 0);
        ASSERT_NE(nullptr, about);
        EXPECT_EQ(before + 2, CHyperLink::attachedCount());
        char caption[128] = "";
        GetDlgItemTextA(about, IDC_LINK_FIRST, caption, sizeof(caption));
        EXPECT_EQ(0u, std::string(caption).rfind("https://", 0)) << caption;
        DestroyWindow(about);
        EXPECT_EQ(before, CHyperLink::attachedCount());
    }
}

}  // namespace
