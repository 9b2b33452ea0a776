// The one header of resource, command and control identifiers, shared by quillox.rc and the code.
#pragma once

// Resources (language neutral).
#define IDD_SET_PASSPHRASE 101
#define IDD_ENTER_PASSPHRASE 102
#define IDR_MAIN_MENU 103
#define IDI_MAIN 104
#define IDD_ABOUT 105
#define IDR_ACCELERATORS 106
#define IDD_GO_TO_LINE 110

// Menu and accelerator commands.
#define ID_FILE_NEW 57600
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_IMPORT_TEXT 40037
#define ID_FILE_EXPORT_TEXT 40038
#define ID_FILE_SET_PASSPHRASE 40010
#define ID_FILE_MAKE_READONLY 40041
#define ID_FILE_EXIT 40004
#define ID_FILE_LOCK 40060
#define ID_EDIT_UNDO 57643
#define ID_EDIT_CUT 57635
#define ID_EDIT_COPY 57634
#define ID_EDIT_PASTE 57637
#define ID_EDIT_DELETE 40033
#define ID_EDIT_FIND 57636
#define ID_EDIT_FIND_NEXT 57640
#define ID_EDIT_SELECT_ALL 57642
#define ID_HELP_ABOUT 40007
#define ID_EDIT_FIND_PREVIOUS 40050
#define ID_EDIT_GO_TO 40051
#define ID_VIEW_ZOOM_IN 40052
#define ID_VIEW_ZOOM_OUT 40053
#define ID_VIEW_ZOOM_RESET 40054
#define ID_VIEW_STATUS_BAR 40055
#define ID_VIEW_WORD_WRAP 40056

// Dialog controls. The passphrase buttons are 3 and 4, not IDOK and IDCANCEL, so that Escape
// (reported as command 2) closes neither dialog.
#define IDC_PASSPHRASE_OK 3
#define IDC_PASSPHRASE_CANCEL 4
#define IDC_PASSPHRASE 1001
#define IDC_PASSPHRASE_REPEAT 1002
#define IDC_LINK_FIRST 1003
#define IDC_LINK_SECOND 1004
#define IDC_GO_TO_LINE 1010
#define IDC_ABOUT_TEXT 1005
#define IDC_PASSPHRASE_STRENGTH 1006
#define IDC_CAPS_LOCK 1007
