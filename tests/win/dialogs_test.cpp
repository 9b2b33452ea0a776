// The editor's dialogs shown for real in this process: links on the About box's template, the
// About box itself, and the two passphrase dialogs, answered from another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "box_answerer.h"
#include "dialogs/about_dialog.h"
#include "dialogs/hyperlink.h"
#include "dialogs/passphrase_dialogs.h"
#include "resources/resource.h"

namespace {

constexpr COLORREF kLink = RGB(0, 0, 255), kVisited = RGB(128, 0, 128), kOwn = RGB(1, 2, 3);
// Targets the shell cannot open, so that activating a link starts nothing.
constexpr const char* kTargetA = "Z:\\quillox-no-such-folder\\a.txt";
constexpr const char* kTargetB = "Z:\\quillox-no-such-folder\\b.txt";

// A dialog procedure that colours the plain statics itself, as a dialog may: the links must
// leave that colour alone.
INT_PTR CALLBACK colouringDialog(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_CTLCOLORSTATIC) return FALSE;
    SetTextColor(reinterpret_cast<HDC>(wParam), kOwn);
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

HWND openAbout(DLGPROC procedure) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                              procedure, 0);
}

COLORREF colourOf(HWND control) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(9, 9, 9));
    SendMessageA(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(control));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

HFONT fontOf(HWND control) {
    return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
}

TEST(Hyperlinks, LinksColourThemselvesAreVisitedAndHotAndShareOneFont) {
    const int before = CHyperLink::attachedCount();
    CHyperLink a, b;  // declared first: the links outlive their controls
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> dialog(openAbout(colouringDialog),
                                                             &DestroyWindow);
    const HWND first = GetDlgItem(dialog.get(), IDC_LINK_FIRST);
    const HWND second = GetDlgItem(dialog.get(), IDC_LINK_SECOND);
    ASSERT_TRUE(a.AttachToControl(dialog.get(), IDC_LINK_FIRST, kTargetA));
    // A second link must not subclass the dialog again: its procedure would call itself.
    ASSERT_TRUE(b.AttachToControl(dialog.get(), IDC_LINK_SECOND, kTargetB));
    EXPECT_FALSE(b.AttachToControl(dialog.get(), 1099, kTargetB)) << "no such control";
    EXPECT_EQ(before + 2, CHyperLink::attachedCount());
    // Without it a static lets the mouse's clicks through to the dialog.
    EXPECT_TRUE(GetWindowLongPtrA(first, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(kLink, colourOf(second));
    EXPECT_EQ(kOwn, colourOf(GetDlgItem(dialog.get(), -1))) << "a plain static";
    SendMessageA(second, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(second, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_FALSE(b.visited());
    SendMessageA(second, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(b.visited() && !a.visited());
    SendMessageA(first, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(a.visited());
    EXPECT_EQ(kVisited, colourOf(first));

    // Hot (underlined, holding the capture) while the pointer is over it, left on every side.
    const HFONT normal = fontOf(first);
    RECT client;
    GetClientRect(first, &client);
    for (const POINT p :
         {POINT{-1, 5}, POINT{5, -1}, POINT{client.right, 5}, POINT{5, client.bottom}}) {
        SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        EXPECT_TRUE(a.hot() && GetCapture() == first);
        EXPECT_EQ(CHyperLink::underlineFont(), fontOf(first));
        SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(client.right - 1, client.bottom - 1));
        EXPECT_TRUE(a.hot()) << "the last pixel is still inside";
        SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        EXPECT_FALSE(a.hot() || GetCapture() == first) << p.x << "," << p.y;
        EXPECT_EQ(normal, fontOf(first));
    }
    SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SetCapture(dialog.get());
    EXPECT_FALSE(a.hot()) << "losing the capture ends the hot state";
    ReleaseCapture();

    dialog.reset();
    EXPECT_EQ(before, CHyperLink::attachedCount());
    EXPECT_TRUE(before > 0 || !CHyperLink::underlineFont()) << "the last link frees the font";
    dialog.reset(openAbout(colouringDialog));
    ASSERT_TRUE(a.AttachToControl(dialog.get(), IDC_LINK_FIRST, kTargetB));
    EXPECT_NE(nullptr, CHyperLink::underlineFont());
    EXPECT_TRUE(a.visited()) << "visited stays with the link";
    EXPECT_EQ(kVisited, colourOf(GetDlgItem(dialog.get(), IDC_LINK_FIRST)));
    EXPECT_EQ(kTargetB, a.target());
}

TEST(Hyperlinks, TheAboutBoxAttachesBothLinksAtEveryOpeningAndReleasesThem) {
    const int before = CHyperLink::attachedCount();
    for (int opening = 0; opening < 3; ++opening) {
        HWND about = openAbout(AboutDialogProc);
        ASSERT_NE(nullptr, about);
        EXPECT_EQ(before + 2, CHyperLink::attachedCount());
        DestroyWindow(about);
        EXPECT_EQ(before, CHyperLink::attachedCount());
    }
}

BoxAnswerer::Answer enter(const std::string& text) {
    return BoxAnswerer::fill({{IDC_PASSPHRASE, text}}, IDC_PASSPHRASE_OK);
}

BoxAnswerer::Answer set(const std::string& first, const std::string& second) {
    return BoxAnswerer::fill({{IDC_PASSPHRASE, first}, {IDC_PASSPHRASE_REPEAT, second}},
                             IDC_PASSPHRASE_OK);
}

TEST(PassphraseDialogs, EnterGivesTheTextAndOneZeroByteOrLeavesTheBuffer) {
    const struct {
        BoxAnswerer::Answer answer;
        INT_PTR result;
        std::string buffer;
    } cases[] = {
        {enter("With Space "), 1, std::string("With Space ") + '\0'},
        {[](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }, 0, "old"},
        // Commands without a control (from a menu or an accelerator) and Escape are ignored.
        {[](HWND box) {
             SetDlgItemTextA(box, IDC_PASSPHRASE, "abc");
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_OK, 0);
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_CANCEL, 0);
             PostMessageA(GetDlgItem(box, IDC_PASSPHRASE), WM_KEYDOWN, VK_ESCAPE, 0);
             PostMessageA(GetDlgItem(box, IDC_PASSPHRASE), WM_KEYUP, VK_ESCAPE, 0xC0000001);
             Sleep(300);
             enter("still open")(box);
         },
         1, std::string("still open") + '\0'},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer{'o', 'l', 'd'};
        BoxAnswerer boxes({c.answer});
        EXPECT_EQ(c.result, ShowEnterPassphraseDialog(buffer));
        EXPECT_EQ(c.buffer, std::string(buffer.begin(), buffer.end()));
    }
}

TEST(PassphraseDialogs, SetOpensOnlyOnceAtATime) {
    static std::vector<char> inner{'k', 'e', 'p', 't', '\0'};
    static std::atomic<int> innerResult{-1};
    // While the first dialog waits for its answer, a second request comes from its own loop.
    SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        innerResult = ShowSetPassphraseDialog(inner);
    });
    std::vector<char> outer;
    BoxAnswerer boxes({[](HWND box) {
                           for (int i = 0; i < 1000 && innerResult < 0; ++i) Sleep(10);
                           set("one", "one")(box);
                       },
                       set("two", "two")});
    EXPECT_TRUE(ShowSetPassphraseDialog(outer));
    EXPECT_EQ(0, innerResult);
    EXPECT_STREQ("kept", inner.data());
    EXPECT_EQ(std::string("one") + '\0', std::string(outer.begin(), outer.end()));
}

}  // namespace
