// The system's Open, Save and Find dialogs. Their library is loaded from the system folder the
// first time one is shown rather than imported: the libraries it imports in turn are then looked
// for where the editor allows, not in the folder the note was started from.
#pragma once

#include <windows.h>

#include <commdlg.h>

// As GetOpenFileNameW and GetSaveFileNameW; FALSE, like a cancelled dialog, without the library.
BOOL showOpenFileDialog(OPENFILENAMEW* record);
BOOL showSaveFileDialog(OPENFILENAMEW* record);
// As FindTextW; null, like a dialog that could not be created, without the library.
HWND showFindDialog(FINDREPLACEW* record);
