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
// A target the shell cannot open, so that activating a link starts nothing.
constexpr const char* kTarget = "Z:\\quillox-no-such-folder\\a.txt";

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

TEST(Hyperlinks, LinksColourThemselvesAreVisitedAndHotAndTheAboutBoxAttachesThem) {
    const int before = CHyperLink::attachedCount();
    CHyperLink a, b;  // declared first: the links outlive their controls
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> dialog(openAbout(colouringDialog),
                                                             &DestroyWindow);
    const HWND first = GetDlgItem(dialog.get(), IDC_LINK_FIRST);
    const HWND second = GetDlgItem(dialog.get(), IDC_LINK_SECOND);
    ASSERT_TRUE(a.AttachToControl(dialog.get(), IDC_LINK_FIRST, kTarget));
    // A second link must not subclass the dialog again: its procedure would call itself.
    ASSERT_TRUE(b.AttachToControl(dialog.get(), IDC_LINK_SECOND, kTarget));
    EXPECT_EQ(kLink, colourOf(second));
    EXPECT_EQ(kOwn, colourOf(GetDlgItem(dialog.get(), -1))) << "a plain static";
    SendMessageA(second, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_FALSE(b.visited());
    SendMessageA(second, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(b.visited() && !a.visited());
    EXPECT_EQ(kVisited, colourOf(second));

    // Hot (underlined, holding the capture) while the pointer is over it, to its last pixel.
    const HFONT normal = fontOf(first);
    RECT client;
    GetClientRect(first, &client);
    SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(client.right - 1, client.bottom - 1));
    EXPECT_TRUE(a.hot() && GetCapture() == first);
    EXPECT_EQ(CHyperLink::underlineFont(), fontOf(first));
    SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(client.right, 2));
    EXPECT_FALSE(a.hot() || GetCapture() == first);
    EXPECT_EQ(normal, fontOf(first));
    SendMessageA(first, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SetCapture(dialog.get());
    EXPECT_FALSE(a.hot()) << "losing the capture ends the hot state";
    SendMessageA(first, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(a.visited());
    dialog.reset();
    EXPECT_EQ(before, CHyperLink::attachedCount());
    EXPECT_TRUE(before > 0 || !CHyperLink::underlineFont()) << "the last link frees the font";
    dialog.reset(openAbout(colouringDialog));
    ASSERT_TRUE(a.AttachToControl(dialog.get(), IDC_LINK_FIRST, kTarget));
    EXPECT_EQ(kVisited, colourOf(GetDlgItem(dialog.get(), IDC_LINK_FIRST))) << "kept when reopened";

    // The About box's own links, attached at every opening and released at every close.
    for (int opening = 0; opening < 2; ++opening) {
        dialog.reset(openAbout(AboutDialogProc));
        EXPECT_EQ(before + 2, CHyperLink::attachedCount());
        dialog.reset();
        EXPECT_EQ(before, CHyperLink::attachedCount());
    }
}

BoxAnswerer::Answer set(const std::string& first, const std::string& second) {
    return BoxAnswerer::fill({{IDC_PASSPHRASE, first}, {IDC_PASSPHRASE_REPEAT, second}},
                             IDC_PASSPHRASE_OK);
}

// The close box cancels; commands without a control (from a menu or an accelerator) and Escape
// are ignored; OK gives the text as typed and one zero byte.
TEST(PassphraseDialogs, EnterAnswersOnlyItsButtonsAndTheCloseBox) {
    std::vector<char> buffer{'o', 'l', 'd'};
    BoxAnswerer boxes(
        {[](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); },
         [](HWND box) {
             SetDlgItemTextA(box, IDC_PASSPHRASE, "abc");
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_OK, 0);
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_CANCEL, 0);
             const HWND field = GetDlgItem(box, IDC_PASSPHRASE);
             PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0);
             PostMessageA(field, WM_KEYUP, VK_ESCAPE, 0xC0000001);
             Sleep(300);
             BoxAnswerer::fill({{IDC_PASSPHRASE, "still open "}}, IDC_PASSPHRASE_OK)(box);
         }});
    EXPECT_EQ(0, ShowEnterPassphraseDialog(buffer));
    EXPECT_EQ("old", std::string(buffer.begin(), buffer.end()));
    EXPECT_EQ(1, ShowEnterPassphraseDialog(buffer));
    EXPECT_EQ(std::string("still open ") + '\0', std::string(buffer.begin(), buffer.end()));
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
