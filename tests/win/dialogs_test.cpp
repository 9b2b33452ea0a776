// The About box and its links, and the two passphrase dialogs, shown for real in this process.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "base/dll_search.h"
#include "box_answerer.h"
#include "dialogs/about_dialog.h"
#include "dialogs/hyperlink.h"
#include "dialogs/passphrase_dialogs.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace {

constexpr COLORREF kLink = RGB(0, 0, 255), kVisited = RGB(128, 0, 128), kOwn = RGB(1, 2, 3);
// A target the shell cannot open, so that activating a link starts nothing.
constexpr const char* kTarget = "Z:\\quillox-no-such-folder\\a.txt";

// Colours the plain statics itself, as a dialog may: the links must leave that colour alone.
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
    CHyperLink a, b;  // declared first: the links outlive their controls
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> dialog(openAbout(colouringDialog),
                                                             &DestroyWindow);
    const HWND first = GetDlgItem(dialog.get(), IDC_LINK_FIRST);
    const HWND second = GetDlgItem(dialog.get(), IDC_LINK_SECOND);
    ASSERT_TRUE(a.attachToControl(dialog.get(), IDC_LINK_FIRST, kTarget));
    // A second link must not subclass the dialog again: its procedure would call itself.
    ASSERT_TRUE(b.attachToControl(dialog.get(), IDC_LINK_SECOND, kTarget));
    EXPECT_EQ(kOwn, colourOf(GetDlgItem(dialog.get(), -1))) << "a plain static";
    SendMessageA(second, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_FALSE(b.visited());
    SendMessageA(second, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_EQ(kVisited, colourOf(second));
    EXPECT_EQ(kLink, colourOf(first)) << "the other link";

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
    SendMessageA(first, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    dialog.reset();
    EXPECT_EQ(nullptr, CHyperLink::underlineFont()) << "the last link frees the font";
    dialog.reset(openAbout(colouringDialog));
    ASSERT_TRUE(a.attachToControl(dialog.get(), IDC_LINK_FIRST, kTarget));
    EXPECT_EQ(kVisited, colourOf(GetDlgItem(dialog.get(), IDC_LINK_FIRST))) << "kept when reopened";

    // The About box's own links, attached at every opening and released at every close.
    for (int opening = 0; opening < 2; ++opening) {
        dialog.reset(openAbout(aboutDialogProc));
        EXPECT_EQ(2, CHyperLink::attachedCount());
        dialog.reset();
        EXPECT_EQ(0, CHyperLink::attachedCount());
    }
}

// The manifest, linked in here as in the editor, gives the common controls 6 even to a load from
// the system folder: the side-by-side copy (whose DllGetVersion says 5 under Wine, 6 on Windows).
// About names the build's version.
TEST(Resources, ManifestBringsCommonControls6AndAboutShowsTheVersion) {
    char loaded[MAX_PATH] = {};
    GetModuleFileNameA(loadSystemLibrary("comctl32.dll"), loaded, MAX_PATH);
    EXPECT_NE(nullptr, std::strstr(CharLowerA(loaded), "\\winsxs\\")) << loaded;
    const HWND about = openAbout(aboutDialogProc);
    char text[200] = {};
    GetDlgItemTextA(about, IDC_ABOUT_TEXT, text, sizeof text);
    DestroyWindow(about);
    EXPECT_EQ(0u, std::string(text).find("Quillox " QUILLOX_VERSION_TEXT " by Quillworks."))
        << text;
}

std::string textOf(HWND box, int id) {
    char text[200] = "";
    GetDlgItemTextA(box, id, text, sizeof text);
    return text;
}

// Enter: the close box cancels; commands without a control (a menu's, an accelerator's) and Escape
// are ignored; OK gives the text as typed. Set: a second one opened while the first is up answers
// into its own buffer, the first into the first's. Both show Caps Lock.
TEST(PassphraseDialogs, AnswerOnlyTheirButtonsAndEachKeepsItsOwnAnswer) {
    U16String buffer = u"old", inner = u"kept";
    bool innerResult = false;
    std::string capsShown;
    const auto set = [](const char* both) {
        return BoxAnswerer::press(IDC_PASSPHRASE_OK,
                                  {{IDC_PASSPHRASE, both}, {IDC_PASSPHRASE_REPEAT, both}});
    };
    BoxAnswerer boxes(
        {[](HWND box) {
             SetDlgItemTextA(box, IDC_PASSPHRASE, "abc");
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_OK, 0);
             PostMessageA(box, WM_CLOSE, 0, 0);
         },
         [&](HWND box) {
             BYTE keys[256];
             GetKeyboardState(keys);
             keys[VK_CAPITAL] ^= 1;
             SetKeyboardState(keys);
             SendMessageA(box, WM_TIMER, 1, 0);
             capsShown = textOf(box, IDC_CAPS_LOCK);
             keys[VK_CAPITAL] ^= 1;
             SetKeyboardState(keys);
             SendMessageA(box, WM_TIMER, 1, 0);
             capsShown += "|" + textOf(box, IDC_CAPS_LOCK);
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_CANCEL, 0);
             PostMessageA(GetDlgItem(box, IDC_PASSPHRASE), WM_KEYDOWN, VK_ESCAPE, 0);
             BoxAnswerer::press(IDC_PASSPHRASE_OK, {{IDC_PASSPHRASE, "still open "}})(box);
         },
         [&](HWND box) {
             innerResult = showSetPassphraseDialog(inner);
             set("one-Kq8#zW4!pX")(box);
         },
         set("two-Lm9$rT5&qY")});
    EXPECT_EQ(0, showEnterPassphraseDialog(buffer));
    EXPECT_EQ(u"old", buffer);
    EXPECT_EQ(1, showEnterPassphraseDialog(buffer));
    EXPECT_EQ(u"still open ", buffer);
    EXPECT_TRUE(capsShown == "Caps Lock is on|" || capsShown == "|Caps Lock is on") << capsShown;
    EXPECT_TRUE(showSetPassphraseDialog(buffer));
    EXPECT_TRUE(innerResult);
    EXPECT_EQ(u"two-Lm9$rT5&qY", inner);
    EXPECT_EQ(u"one-Kq8#zW4!pX", buffer);
}

// Set: the strength and a difference between the fields show as they are typed; an empty
// passphrase is refused; a weak one is asked about, No the default, and kept only on Yes.
TEST(PassphraseDialogs, SetShowsStrengthAndDifferenceAndAsksBeforeAWeakPassphrase) {
    U16String buffer = u"old";
    std::vector<std::string> shown;
    int defaultButton = 0;
    const auto typed = [&](HWND box) {
        SetDlgItemTextA(box, IDC_PASSPHRASE, "abc123");
        shown.push_back(textOf(box, IDC_PASSPHRASE_STRENGTH));
        SetDlgItemTextA(box, IDC_PASSPHRASE_REPEAT, "abc12");
        shown.push_back(textOf(box, IDC_PASSPHRASE_STRENGTH));
        BoxAnswerer::press(IDC_PASSPHRASE_OK, {{IDC_PASSPHRASE_REPEAT, "abc123"}})(box);
    };
    const auto asked = [&](int answer) {
        return [&, answer](HWND box) {
            for (int id : {IDYES, IDNO})
                if (GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & BS_DEFPUSHBUTTON)
                    defaultButton = id;
            BoxAnswerer::press(answer)(box);
        };
    };
    BoxAnswerer boxes({BoxAnswerer::press(IDC_PASSPHRASE_OK), BoxAnswerer::press(IDOK), typed,
                       asked(IDNO), typed, asked(IDYES)});
    EXPECT_FALSE(showSetPassphraseDialog(buffer));
    EXPECT_FALSE(showSetPassphraseDialog(buffer));
    EXPECT_EQ(u"old", buffer);
    EXPECT_TRUE(showSetPassphraseDialog(buffer));
    EXPECT_EQ(u"abc123", buffer);
    EXPECT_EQ(IDNO, defaultButton);
    ASSERT_EQ(6u, boxes.seen.size());
    EXPECT_EQ(0u, boxes.seen[1].find("Quillox::error|The passphrase is empty")) << boxes.seen[1];
    EXPECT_EQ(0u, boxes.seen[3].find("Quillox|This passphrase is weak")) << boxes.seen[3];
    EXPECT_NE(std::string::npos, boxes.seen[3].find("Use this weak passphrase anyway?"));
    EXPECT_EQ(0u, shown[0].find("Strength: weak")) << shown[0];
    EXPECT_EQ(std::string::npos, shown[0].find("differ"));
    EXPECT_NE(std::string::npos, shown[1].find("\nThe two fields differ.")) << shown[1];
}

}  // namespace
