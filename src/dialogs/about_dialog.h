#pragma once

#include <windows.h>

// Template IDD_ABOUT; shown modally by the Help > About command.
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the About box modally over `owner`; its result carries nothing.
void showAboutDialog(HWND owner);
