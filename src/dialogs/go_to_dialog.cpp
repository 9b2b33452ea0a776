#include "dialogs/go_to_dialog.h"

#include "resources/resource.h"

namespace {

struct GoToRequest {
    std::int32_t lineCount;
    std::int32_t& line;
};

void onInit(HWND dialog, const GoToRequest& request) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&request));
    SetDlgItemInt(dialog, IDC_GO_TO_LINE, static_cast<UINT>(request.line), FALSE);
    SendDlgItemMessageA(dialog, IDC_GO_TO_LINE, EM_SETSEL, 0, -1);
}

void onOk(HWND dialog, const GoToRequest& request) {
    BOOL read = FALSE;
    const UINT line = GetDlgItemInt(dialog, IDC_GO_TO_LINE, &read, FALSE);
    if (read && line >= 1 && line <= static_cast<UINT>(request.lineCount)) {
        request.line = static_cast<std::int32_t>(line);
        EndDialog(dialog, IDOK);
        return;
    }
    char message[80];
    wsprintfA(message, "There is no such line: type a number from 1 to %d.",
              static_cast<int>(request.lineCount));
    MessageBoxA(dialog, message, "Quillox", MB_OK | MB_ICONINFORMATION);
    const HWND field = GetDlgItem(dialog, IDC_GO_TO_LINE);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

INT_PTR CALLBACK goToDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* request = reinterpret_cast<GoToRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            onInit(dialog, *reinterpret_cast<GoToRequest*>(lParam));
            return TRUE;  // the focus goes to the field, its number selected
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK && request) onOk(dialog, *request);
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

bool showGoToLineDialog(HWND owner, std::int32_t lineCount, std::int32_t& line) {
    GoToRequest request{lineCount, line};
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_GO_TO_LINE), owner,
                           goToDialogProc, reinterpret_cast<LPARAM>(&request)) == IDOK;
}
