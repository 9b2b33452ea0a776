#include "dialogs/passphrase_dialogs.h"

#include "resources/resource.h"
#include "base/error_box.h"
#include "storage/wipe.h"

namespace {

// Where each open dialog puts a confirmed passphrase: the caller's buffer, taken from the creation
// parameter. One slot per template, so each dialog is open at most once at a time.
std::vector<char>* enterDestination = nullptr;
std::vector<char>* setDestination = nullptr;
bool setDialogOpen = false;

// Leaves the control's text and exactly one zero byte in `out`; the old contents are wiped first.
void readField(HWND control, std::vector<char>& out) {
    const LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    secureWipe(out);
    out.assign(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, '\0');
    const int copied = GetWindowTextA(control, out.data(), static_cast<int>(out.size()));
    // The reported length can exceed what is copied (double-byte code pages); keep one zero only.
    out.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied) + 1);
}

INT_PTR endWith(HWND dialog, INT_PTR result) {
    EndDialog(dialog, result);
    return TRUE;
}

std::vector<char>* destinationOf(LPARAM creationParameter) {
    return creationParameter ? *reinterpret_cast<std::vector<char>**>(creationParameter) : nullptr;
}

// Commands from the buttons only: a null control handle is a menu or accelerator origin, and
// Escape arrives as id 2, which neither template has.
bool isButton(WPARAM wParam, LPARAM lParam, int id) {
    return lParam != 0 && LOWORD(wParam) == id;
}

INT_PTR onEnterOk(HWND dialog) {
    if (enterDestination == nullptr) return endWith(dialog, 0);
    readField(GetDlgItem(dialog, IDC_PASSPHRASE), *enterDestination);
    return endWith(dialog, 1);
}

INT_PTR onSetOk(HWND dialog) {
    std::vector<char> first;
    std::vector<char> second;
    readField(GetDlgItem(dialog, IDC_PASSPHRASE), first);
    readField(GetDlgItem(dialog, IDC_PASSPHRASE_REPEAT), second);
    if (first != second) {
        showError("Passphrases don't match");
    } else if (setDestination != nullptr) {
        first.swap(*setDestination);
        EndDialog(dialog, 1);
    }
    secureWipe(first);
    secureWipe(second);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK EnterPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            enterDestination = destinationOf(lParam);
            return TRUE;
        case WM_CLOSE:
            return endWith(dialog, 0);
        case WM_COMMAND:
            if (isButton(wParam, lParam, IDC_PASSPHRASE_OK)) return onEnterOk(dialog);
            if (isButton(wParam, lParam, IDC_PASSPHRASE_CANCEL)) return endWith(dialog, 0);
            return FALSE;
    }
    return FALSE;
}

INT_PTR ShowEnterPassphraseDialog(std::vector<char>& buffer, HWND owner) {
    std::vector<char>* destination = &buffer;
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ENTER_PASSPHRASE), owner,
                        EnterPassphraseDialogProc, reinterpret_cast<LPARAM>(&destination));
    enterDestination = nullptr;
    return result == 0 || result == 1 ? result : -1;
}

INT_PTR CALLBACK SetPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            setDestination = destinationOf(lParam);
            return TRUE;
        case WM_CLOSE:
            return endWith(dialog, 0);
        case WM_COMMAND:
            if (isButton(wParam, lParam, IDC_PASSPHRASE_OK)) return onSetOk(dialog);
            if (isButton(wParam, lParam, IDC_PASSPHRASE_CANCEL)) return endWith(dialog, 0);
            return FALSE;
    }
    return FALSE;
}

bool ShowSetPassphraseDialog(std::vector<char>& buffer) {
    // Owned by the main window, which waits while it is open; a second request (from a window
    // without one) must still not take over the one destination slot.
    if (setDialogOpen) return false;
    setDialogOpen = true;
    std::vector<char>* destination = &buffer;
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SET_PASSPHRASE), boxOwner(),
                        SetPassphraseDialogProc, reinterpret_cast<LPARAM>(&destination));
    setDestination = nullptr;
    setDialogOpen = false;
    return result == 1;
}
