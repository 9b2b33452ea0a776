// The two passphrase dialogs. Their fields are read as UTF-16, so a passphrase keeps every
// character typed in any script. A confirmed dialog leaves the typed text in the caller's buffer
// (its old contents wiped); a cancelled one leaves the buffer untouched.
#pragma once

#include <windows.h>

#include "storage/buffer.h"

// Template IDD_ENTER_PASSPHRASE; lParam of WM_INITDIALOG is the address of a variable holding
// the address of the caller's U16String.
INT_PTR CALLBACK enterPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Shows the enter-passphrase prompt (owned by `owner`, or by none at start): 1 confirmed, 0
// cancelled or closed, -1 when the dialog could not be created at all.
INT_PTR showEnterPassphraseDialog(U16String& buffer, HWND owner = nullptr);

// Template IDD_SET_PASSPHRASE: asks twice and shows the strength as it is typed; accepts only
// equal entries that can be a passphrase, and a weak one only when the user says so. True when
// confirmed.
INT_PTR CALLBACK setPassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
bool showSetPassphraseDialog(U16String& buffer);
