#include "editor/find.h"

#include <dlgs.h>

#include "editor/common_dialogs.h"
#include "editor/main_window.h"
#include "editor/richedit.h"
#include "base/app_state.h"
#include "base/error_box.h"

namespace {

// The option bits the rich-edit control takes with the dialog's values.
constexpr DWORD kSearchOptions = FR_DOWN | FR_WHOLEWORD | FR_MATCHCASE;

}  // namespace

FindState::FindState() {
    dialogRecord.lStructSize = sizeof(dialogRecord);
    dialogRecord.hInstance = appState().instance;
    dialogRecord.Flags = FR_DOWN;
    dialogRecord.lpstrFindWhat = findText;
    dialogRecord.wFindWhatLen = sizeof(findText) / sizeof(findText[0]);
    dialogRecord.lpstrReplaceWith = replaceText;
    dialogRecord.wReplaceWithLen = sizeof(replaceText) / sizeof(replaceText[0]);
    searchRecord.chrg = {0, -1};
    searchRecord.lpstrText = findText;
    searchRecord.chrgText = {0, 0};
}

FindState& findState() {
    static FindState state;
    return state;
}

HWND findDialogHandle() {
    return findState().dialog;
}

void openFindDialog(MainWindow& main) {
    FindState& state = findState();
    CHARRANGE selection{0, 0};
    SendMessageA(main.editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));

    state.dialogRecord.hwndOwner = main.window();
    state.editor = main.editor();
    if (state.dialog) {
        DestroyWindow(state.dialog);
        state.dialog = nullptr;
    }

    state.searchRecord.chrgText = {0, 0};
    state.anchor = {selection.cpMin, selection.cpMin};
    state.dialogRecord.Flags =
        (state.dialogRecord.Flags & ~(kSearchOptions | FR_DIALOGTERM)) | state.options;
    state.dialog = showFindDialog(&state.dialogRecord);
}

namespace {

void findToward(MainWindow& main, bool down) {
    FindState& state = findState();
    const WPARAM options = (state.options & ~FR_DOWN) | (down ? FR_DOWN : 0);
    // Before the dialog was ever opened there is no control to ask: the answer is 0 and the match
    // range stays as it is.
    LRESULT found = 0;
    LONG length = 0;
    if (state.editor) {
        length = editorCharacters(state.editor);
        const TextSpan span = searchSpan(state.anchor, down, length);
        state.searchRecord.chrg = {span.start, span.end};
        found = SendMessageW(state.editor, EM_FINDTEXTEXW, options,
                             reinterpret_cast<LPARAM>(&state.searchRecord));
    }
    const CHARRANGE match = state.searchRecord.chrgText;
    state.anchor = nextAnchor(found, {match.cpMin, match.cpMax}, down, length);

    if (found == -1) MessageBoxA(boxOwner(), "No more matches.", "Quillox", MB_OK);
    selectEditorRange(main.editor(), state.anchor.start, state.anchor.end);
}

}  // namespace

void findNext(MainWindow& main) {
    findToward(main, (findState().options & FR_DOWN) != 0);
}

void findPrevious(MainWindow& main) {
    findToward(main, false);
}

bool onFindNotification(MainWindow& main) {
    FindState& state = findState();
    if (state.dialogRecord.Flags & FR_DIALOGTERM) {
        state.dialog = nullptr;
        return true;
    }
    if (state.dialogRecord.Flags & FR_FINDNEXT) {
        state.options = state.dialogRecord.Flags & kSearchOptions;
        // Some dialog implementations pass the text through the ANSI code page into the record,
        // turning every character outside it into "?"; the dialog's field holds it as typed.
        if (state.dialog) GetDlgItemTextW(state.dialog, edt1, state.findText, 256);
        findNext(main);
    }
    return false;
}

void forgetFindDialogOf(HWND owner) {
    FindState& state = findState();
    if (state.dialogRecord.hwndOwner != owner) return;
    state.dialog = nullptr;
    state.editor = nullptr;
    state.dialogRecord.hwndOwner = nullptr;
    // Positions in the old editor mean nothing in a later one; the text and options stay.
    state.anchor = {0, 0};
    state.searchRecord.chrgText = {0, 0};
}
