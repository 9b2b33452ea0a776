// Searching the editor with the system's modeless Find dialog.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <richedit.h>

#include "editor/search_rules.h"

class MainWindow;

// The one search record of the process. It is created on first use and never moves: the open
// Find dialog keeps pointers into `dialogRecord` and the text fields.
struct FindState {
    FindState();
    FindState(const FindState&) = delete;
    FindState& operator=(const FindState&) = delete;

    // The dialog and the search are the wide ones, so that text in any script can be searched.
    wchar_t findText[256] = {};     // edited in place by the dialog: at most 255 characters
    wchar_t replaceText[256] = {};  // required by the dialog record, never used
    HWND dialog = nullptr;          // the open Find dialog, or null
    HWND editor = nullptr;          // the control searched, recorded when the dialog opens
    // Direction, whole word and match case as the user last chose them. Some dialog
    // implementations clear them in the record while the dialog is open and hand them back only
    // with a notification, so they are kept here for Find Next and the next opening.
    DWORD options = FR_DOWN;
    // The next search starts from here: the last hit, the caret when the dialog opened, or the
    // place a search turned around to.
    TextSpan anchor{0, 0};
    FINDREPLACEW dialogRecord{};
    FINDTEXTEXW searchRecord{};
};
FindState& findState();

// The open modeless Find dialog, or null; asked afresh by the message loop for every message.
HWND findDialogHandle();

// Opens the dialog afresh, seeded with the last text and options, to search from the start of
// the current selection.
void openFindDialog(MainWindow& main);
// The dialog's notification: true when the dialog is closing (its handle is forgotten and the
// message goes on to the default handling), otherwise runs a requested Find Next.
bool onFindNotification(MainWindow& main);
// The owner's window is going: the dialog it owns goes with it, without a closing notification,
// and the search positions in its editor are dropped.
void forgetFindDialogOf(HWND owner);
// Searches on past the last hit in the dialog's direction and selects the next one; after the
// last one tells the user so and turns around to the top (going down) or the end (going up).
void findNext(MainWindow& main);
// The same, upward whatever the dialog's direction.
void findPrevious(MainWindow& main);
