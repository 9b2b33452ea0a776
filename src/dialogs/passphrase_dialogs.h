// The two passphrase dialogs. A confirmed dialog leaves the typed characters followed by one zero
// byte in the caller's buffer; a cancelled one leaves the buffer untouched.
#pragma once

#include <windows.h>

#include <vector>

// Template IDD_ENTER_PASSPHRASE; lParam of WM_INITDIALOG is the address of a variable holding
// the address of the caller's std::vector<char>.
INT_PTR CALLBACK EnterPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Shows the enter-passphrase prompt (owned by `owner`, or by none at start): 1 confirmed, 0
// cancelled or closed, -1 when the dialog could not be created at all.
INT_PTR ShowEnterPassphraseDialog(std::vector<char>& buffer, HWND owner = nullptr);

// Template IDD_SET_PASSPHRASE: asks twice, accepts only equal entries. True when confirmed.
INT_PTR CALLBACK SetPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
bool ShowSetPassphraseDialog(std::vector<char>& buffer);
