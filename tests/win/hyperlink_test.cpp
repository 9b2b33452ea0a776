// CHyperLink on real static controls, and the About box that uses it.
#include "dialogs/hyperlink.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "dialogs/about_dialog.h"
#include "resources/resource.h"
#include "win_support.h"

namespace {

constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
constexpr COLORREF kOtherColour = RGB(1, 2, 3);

// A parent window with three static controls: two to become links, one to stay plain. The
// parent's own procedure colours plain statics with kOtherColour, as a dialog may.
LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC) {
        SetTextColor(reinterpret_cast<HDC>(wParam), kOtherColour);
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Hyperlinks : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveDisplay()) GTEST_SKIP() << "windows need a display";
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = parentProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuilloxLinkTestParent";
        RegisterClassA(&windowClass);
        parent_ = CreateWindowExA(0, "QuilloxLinkTestParent", "links", WS_OVERLAPPEDWINDOW, 0, 0,
                                  400, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        for (int id : {1003, 1004, 1005}) {
            HWND control = CreateWindowExA(0, "STATIC", "link", WS_CHILD | WS_VISIBLE, 10,
                                           10 + 30 * (id - 1003), 120, 20, parent_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                           GetModuleHandleA(nullptr), nullptr);
            ASSERT_NE(control, nullptr);
            SendMessageA(control, WM_SETFONT,
                         reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        }
        dc_ = CreateCompatibleDC(nullptr);
    }
    void TearDown() override {
        if (dc_ != nullptr) DeleteDC(dc_);
        if (parent_ != nullptr) DestroyWindow(parent_);
        UnregisterClassA("QuilloxLinkTestParent", GetModuleHandleA(nullptr));
    }

    HWND control(int id) const { return GetDlgItem(parent_, id); }

    COLORREF colourOf(int id) {
        SetTextColor(dc_, RGB(9, 9, 9));
        SendMessageA(parent_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc_),
                     reinterpret_cast<LPARAM>(control(id)));
        return GetTextColor(dc_);
    }

    HFONT fontOf(int id) const {
        return reinterpret_cast<HFONT>(SendMessageA(control(id), WM_GETFONT, 0, 0));
    }

    void moveTo(int id, int x, int y) {
        SendMessageA(control(id), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    }

    // Declared before the window handles: the links must outlive their controls, which are
    // destroyed in TearDown.
    CHyperLink a;
    CHyperLink b;
    HWND parent_ = nullptr;
    HDC dc_ = nullptr;
};

// Targets that the shell cannot open, so that activating a link starts nothing.
constexpr const char* kTargetA = "Z:\\quillox-no-such-folder\\a.txt";
constexpr const char* kTargetB = "Z:\\quillox-no-such-folder\\b.txt";

TEST_F(Hyperlinks, SharedFontLivesWhileLinksAreAttached) {
    const int before = CHyperLink::attachedCount();
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    ASSERT_TRUE(b.AttachToControl(parent_, 1004, kTargetB));
    EXPECT_EQ(CHyperLink::attachedCount(), before + 2);
    EXPECT_NE(CHyperLink::underlineFont(), nullptr);
    EXPECT_EQ(a.target(), kTargetA);
    EXPECT_TRUE(GetWindowLongPtrA(control(1003), GWL_STYLE) & SS_NOTIFY);

    DestroyWindow(parent_);
    parent_ = nullptr;
    EXPECT_EQ(CHyperLink::attachedCount(), before);
    if (before == 0) {
        EXPECT_EQ(CHyperLink::underlineFont(), nullptr);
    }
}

TEST_F(Hyperlinks, LinksAreColouredOtherStaticsKeepTheParentsColour) {
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    // A second link must not subclass the parent again: that would make the parent's procedure
    // call itself for every message.
    ASSERT_TRUE(b.AttachToControl(parent_, 1004, kTargetB));
    EXPECT_EQ(colourOf(1003), kLinkColour);
    EXPECT_EQ(colourOf(1004), kLinkColour);
    EXPECT_EQ(colourOf(1005), kOtherColour);
}

TEST_F(Hyperlinks, ClickAndSpaceReleaseActivateOtherKeysDoNot) {
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    ASSERT_TRUE(b.AttachToControl(parent_, 1004, kTargetB));

    SendMessageA(control(1004), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(control(1004), WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_FALSE(b.visited());
    SendMessageA(control(1004), WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(b.visited());

    EXPECT_FALSE(a.visited());
    SendMessageA(control(1003), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(a.visited());
    EXPECT_EQ(colourOf(1003), kVisitedColour);
}

TEST_F(Hyperlinks, VisitedStaysAcrossAttachments) {
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    SendMessageA(control(1003), WM_LBUTTONUP, 0, 0);
    ASSERT_TRUE(a.visited());
    TearDown();
    SetUp();
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetB));
    EXPECT_TRUE(a.visited());
    EXPECT_EQ(colourOf(1003), kVisitedColour);
    EXPECT_EQ(a.target(), kTargetB);
}

TEST_F(Hyperlinks, HotWhileThePointerIsOverItOnEverySide) {
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    const HFONT normal = fontOf(1003);
    RECT client;
    GetClientRect(control(1003), &client);
    const POINT outside[] = {{-1, 5}, {5, -1}, {client.right, 5}, {5, client.bottom}};
    for (const POINT& p : outside) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        moveTo(1003, 2, 2);
        EXPECT_TRUE(a.hot());
        EXPECT_EQ(GetCapture(), control(1003));
        EXPECT_EQ(fontOf(1003), CHyperLink::underlineFont());
        moveTo(1003, client.right - 1, client.bottom - 1);
        EXPECT_TRUE(a.hot()) << "the last pixel is still inside";

        moveTo(1003, p.x, p.y);
        EXPECT_FALSE(a.hot());
        EXPECT_NE(GetCapture(), control(1003));
        EXPECT_EQ(fontOf(1003), normal);
    }
}

TEST_F(Hyperlinks, LosingTheCaptureEndsTheHotState) {
    ASSERT_TRUE(a.AttachToControl(parent_, 1003, kTargetA));
    moveTo(1003, 2, 2);
    ASSERT_TRUE(a.hot());
    SetCapture(parent_);
    EXPECT_FALSE(a.hot());
    ReleaseCapture();
}

struct CountingLink : CHyperLink {
    int enters = 0;
    int leaves = 0;
    void OnHotEnter() override { ++enters; }
    void OnHotLeave() override { ++leaves; }
};

TEST_F(Hyperlinks, HooksFollowPointerAndFocus) {
    static CountingLink link;  // outlives the window
    link.enters = link.leaves = 0;
    ASSERT_TRUE(link.AttachToControl(parent_, 1003, kTargetA));
    moveTo(1003, 2, 2);
    moveTo(1003, 3, 3);
    moveTo(1003, -5, 3);
    EXPECT_EQ(link.enters, 1);
    EXPECT_EQ(link.leaves, 1);
    SendMessageA(control(1003), WM_SETFOCUS, 0, 0);
    SendMessageA(control(1003), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(link.enters, 2);
    EXPECT_EQ(link.leaves, 2);
    EXPECT_FALSE(link.hot()) << "focus does not make a link hot";
}

TEST(AboutBox, AttachesBothLinksAndReleasesThemWhenClosed) {
    if (!haveDisplay()) GTEST_SKIP() << "dialogs need a display";
    const int before = CHyperLink::attachedCount();
    for (int opening = 0; opening < 3; ++opening) {
        HWND about = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT),
                                        nullptr, AboutDialogProc, 0);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(CHyperLink::attachedCount(), before + 2);
        char caption[128] = {};
        GetDlgItemTextA(about, IDC_LINK_FIRST, caption, sizeof caption);
        EXPECT_EQ(std::string(caption).rfind("https://", 0), 0u) << caption;
        DestroyWindow(about);
        EXPECT_EQ(CHyperLink::attachedCount(), before);
    }
    if (before == 0) {
        EXPECT_EQ(CHyperLink::underlineFont(), nullptr);
    }
}

}  // namespace
