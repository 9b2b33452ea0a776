#include "dialogs/about_dialog.h"

#include "dialogs/hyperlink.h"
#include "resources/resource.h"
#include "resources/version.h"

namespace {

// Both links live for the rest of the process, so a visited link keeps its colour the next time
// the box opens; they are attached anew at each opening.
struct AboutLinks {
    CHyperLink first;
    CHyperLink second;
};

AboutLinks& aboutLinks() {
    static AboutLinks links;
    return links;
}

// A link's target is the address its caption shows.
void attachLink(CHyperLink& link, HWND dialog, int controlId) {
    char caption[128] = {};
    GetDlgItemTextA(dialog, controlId, caption, sizeof caption);
    link.attachToControl(dialog, controlId, caption);
}

INT_PTR onInitDialog(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_ABOUT_TEXT,
                    "Quillox " QUILLOX_VERSION_TEXT
                    " by Quillworks.\nManual and news: see the sites below.");
    attachLink(aboutLinks().first, dialog, IDC_LINK_FIRST);
    attachLink(aboutLinks().second, dialog, IDC_LINK_SECOND);
    return TRUE;
}

INT_PTR endWith(HWND dialog, INT_PTR result) {
    EndDialog(dialog, result);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog(dialog);
        case WM_CLOSE:
            return endWith(dialog, 0);
        case WM_COMMAND:
            // Only the OK button: Escape (id 2) has no control in this template.
            if (lParam != 0 && LOWORD(wParam) == IDOK) return endWith(dialog, 0);
            return FALSE;
    }
    return FALSE;
}

void showAboutDialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutDialogProc,
                    0);
}
