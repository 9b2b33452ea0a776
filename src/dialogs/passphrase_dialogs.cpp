#include "dialogs/passphrase_dialogs.h"

#include "base/error_box.h"
#include "resources/resource.h"
#include "storage/buffer.h"
#include "storage/passphrase.h"
#include "storage/passphrase_strength.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

// Caps Lock is read from the keyboard state this often: no message tells a dialog it changed.
constexpr UINT_PTR kCapsLockTimer = 1;
constexpr UINT kCapsLockPeriodMs = 250;

// Holds a field's text while it is looked at, and wipes it on every way out.
struct FieldText {
    U16String text;
    FieldText(HWND dialog, int id) {
        const HWND control = GetDlgItem(dialog, id);
        const int length = GetWindowTextLengthW(control);
        text.assign(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, u'\0');
        const int copied = GetWindowTextW(control, reinterpret_cast<wchar_t*>(&text[0]),
                                          static_cast<int>(text.size()));
        text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    }
    ~FieldText() { secureWipe(text); }
    FieldText(const FieldText&) = delete;
    FieldText& operator=(const FieldText&) = delete;
};

void setText(HWND dialog, int id, const String& utf8) {
    const U16String text = utf8ToUtf16(utf8);
    SetDlgItemTextW(dialog, id, reinterpret_cast<const wchar_t*>(text.c_str()));
}

void showCapsLock(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_CAPS_LOCK, (GetKeyState(VK_CAPITAL) & 1) ? "Caps Lock is on" : "");
}

INT_PTR endWith(HWND dialog, INT_PTR result) {
    KillTimer(dialog, kCapsLockTimer);
    EndDialog(dialog, result);
    return TRUE;
}

// Each dialog keeps where a confirmed passphrase goes, the caller's buffer from the creation
// parameter, in itself, so two dialogs open at once never answer into each other's buffer.
void keepDestination(HWND dialog, LPARAM creationParameter) {
    U16String* destination =
        creationParameter ? *reinterpret_cast<U16String**>(creationParameter) : nullptr;
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(destination));
}

U16String* destinationOf(HWND dialog) {
    return reinterpret_cast<U16String*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Commands from the buttons only: a null control handle is a menu or accelerator origin, and
// Escape arrives as id 2, which neither template has.
bool isButton(WPARAM wParam, LPARAM lParam, int id) {
    return lParam != 0 && LOWORD(wParam) == id;
}

bool isFieldChange(WPARAM wParam) {
    return HIWORD(wParam) == EN_CHANGE &&
           (LOWORD(wParam) == IDC_PASSPHRASE || LOWORD(wParam) == IDC_PASSPHRASE_REPEAT);
}

void initDialog(HWND dialog) {
    showCapsLock(dialog);
    SetTimer(dialog, kCapsLockTimer, kCapsLockPeriodMs, nullptr);
}

INT_PTR onEnterOk(HWND dialog) {
    U16String* destination = destinationOf(dialog);
    if (destination == nullptr) return endWith(dialog, 0);
    FieldText field(dialog, IDC_PASSPHRASE);
    secureWipe(*destination);
    destination->swap(field.text);
    return endWith(dialog, 1);
}

// The strength of the first field under the second, and whether the two differ, as they are typed.
void onFieldChange(HWND dialog) {
    FieldText first(dialog, IDC_PASSPHRASE), second(dialog, IDC_PASSPHRASE_REPEAT);
    String shown;
    if (!first.text.empty())
        shown = "Strength: " + strengthInWords(passphraseBits(first.text)) + ".";
    if (!second.text.empty() && second.text != first.text) shown += "\nThe two fields differ.";
    setText(dialog, IDC_PASSPHRASE_STRENGTH, shown);
}

// A weak passphrase is used only when the user says so; No, the default, keeps the dialog open.
bool acceptWeak(HWND dialog, const U16String& passphrase) {
    const double bits = passphraseBits(passphrase);
    if (!isWeakPassphrase(bits)) return true;
    const U16String question = utf8ToUtf16("This passphrase is " + strengthInWords(bits) +
                                           ".\n\nUse this weak passphrase anyway?");
    return MessageBoxW(dialog, reinterpret_cast<const wchar_t*>(question.c_str()), L"Quillox",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

INT_PTR onSetOk(HWND dialog) {
    FieldText first(dialog, IDC_PASSPHRASE), second(dialog, IDC_PASSPHRASE_REPEAT);
    const PassphraseProblem problem = passphraseProblem(first.text);
    U16String* destination = destinationOf(dialog);
    if (first.text != second.text) {
        showError("Passphrases don't match");
    } else if (problem != PassphraseProblem::None) {
        showError(passphraseProblemText(problem));
    } else if (destination != nullptr && acceptWeak(dialog, first.text)) {
        secureWipe(*destination);
        destination->swap(first.text);
        endWith(dialog, 1);
    }
    return TRUE;
}

INT_PTR runDialog(int templateId, DLGPROC procedure, U16String* destination, HWND owner) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner,
                           procedure, reinterpret_cast<LPARAM>(&destination));
}

}  // namespace

INT_PTR CALLBACK enterPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            keepDestination(dialog, lParam);
            initDialog(dialog);
            return TRUE;
        case WM_TIMER:
            showCapsLock(dialog);
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

INT_PTR showEnterPassphraseDialog(U16String& buffer, HWND owner) {
    const INT_PTR result =
        runDialog(IDD_ENTER_PASSPHRASE, enterPassphraseDialogProc, &buffer, owner);
    return result == 0 || result == 1 ? result : -1;
}

INT_PTR CALLBACK setPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            keepDestination(dialog, lParam);
            initDialog(dialog);
            return TRUE;
        case WM_TIMER:
            showCapsLock(dialog);
            return TRUE;
        case WM_CLOSE:
            return endWith(dialog, 0);
        case WM_COMMAND:
            if (isFieldChange(wParam)) {
                onFieldChange(dialog);
                return TRUE;
            }
            if (isButton(wParam, lParam, IDC_PASSPHRASE_OK)) return onSetOk(dialog);
            if (isButton(wParam, lParam, IDC_PASSPHRASE_CANCEL)) return endWith(dialog, 0);
            return FALSE;
    }
    return FALSE;
}

bool showSetPassphraseDialog(U16String& buffer) {
    // Owned by the main window, which is disabled while it is open, so the menu cannot ask twice.
    return runDialog(IDD_SET_PASSPHRASE, setPassphraseDialogProc, &buffer, boxOwner()) == 1;
}
