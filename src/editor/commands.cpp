#include "editor/main_window.h"

#include "dialogs/about_dialog.h"
#include "dialogs/passphrase_dialogs.h"
#include "editor/display.h"
#include "editor/file_dialogs.h"
#include "editor/find.h"
#include "editor/richedit.h"
#include "editor/text_transfer.h"
#include "editor/window_rules.h"
#include "resources/resource.h"
#include "base/app_state.h"
#include "base/error_box.h"
#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/file.h"
#include "storage/system_path.h"
#include "storage/passphrase.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

constexpr const char* kBlankRefusal = "I utterly refuse to save a blank Document :)";

// Asks for a new passphrase twice; on confirmation `key` holds the bytes its key is made of.
bool askNewPassphrase(String& key) {
    U16String passphrase;  // wiped below
    const bool confirmed = showSetPassphraseDialog(passphrase);
    if (confirmed) keyBytes(passphrase, kAnsiCodePage, KeyForm::Exact, key);
    secureWipe(passphrase);
    return confirmed;
}

constexpr const char* kChangedQuestion =
    "This note was changed elsewhere since it was opened here (by another Quillox window, a sync "
    "tool or quillox-note).\n\nOverwrite those changes?";
constexpr const char* kGoneQuestion =
    "The note file is no longer there (deleted or renamed) since it was opened here.\n\nSave it "
    "anew?";

// Saves into `target`; with `guarded` (the target is the open note's own file) it first asks
// when that file is no longer the one this window read or last wrote. No is the default button:
// a hasty Enter must not throw away the other copy's work. False when the save failed (the user
// has been told) or the user said No.
bool saveInto(HWND owner, NoteDocument& document, const String& target,
              const WindowPlacement& placement, bool guarded) {
    const auto ask = [owner](NoteChange change) {
        const char* question = change == NoteChange::Gone ? kGoneQuestion : kChangedQuestion;
        return MessageBoxA(owner, question, "Quillox", MB_YESNO | MB_DEFBUTTON2) == IDYES;
    };
    const IoStatus saved =
        document.save(target, placement, guarded ? ConfirmOverwrite(ask) : nullptr);
    if (saved) {
        const String notice = saveNoticeText(saved, target);
        if (!notice.empty())
            MessageBoxA(owner, notice.c_str(), "Quillox", MB_OK | MB_ICONINFORMATION);
        return true;
    }
    if (saved.fault != IoFault::Declined) showError(saveFailureText(saved, target).c_str());
    return false;
}

// Whether Save As names the open note's own file, however the name is written.
bool isOpenNote(const String& target, const String& notePath) {
    if (notePath.empty()) return false;
    return lstrcmpiW(fullWidePath(target).c_str(), fullWidePath(notePath).c_str()) == 0;
}

}  // namespace

void MainWindow::onCommand(unsigned command) {
    // A locked window answers every command but Exit with the passphrase prompt.
    if (lock_.locked() && command != ID_FILE_EXIT) return lock_.onByHand(*this);
    // A grayed command does nothing, whichever way it arrives.
    if (isReadOnly() && isReadOnlyCommand(command)) return;
    switch (command) {
        case ID_FILE_NEW:
            newNote();
            break;
        case ID_FILE_SAVE:
            saveNote();
            break;
        case ID_FILE_SAVE_AS:
            saveNoteAs();
            break;
        case ID_FILE_IMPORT_TEXT:
            importText(*this);
            break;
        case ID_FILE_EXPORT_TEXT:
            exportText(*this);
            break;
        case ID_FILE_SET_PASSPHRASE:
            setPassphrase();
            break;
        case ID_FILE_MAKE_READONLY:
            makeReadOnly();
            break;
        case ID_FILE_LOCK:
            lock_.onByHand(*this);
            break;
        case ID_FILE_EXIT:
            SendMessageA(window_, WM_CLOSE, 0, 0);
            break;
        case ID_HELP_ABOUT:
            showAbout();
            break;
        case ID_EDIT_UNDO:
            sendToEditor(EM_UNDO);
            break;
        case ID_EDIT_CUT:
        case ID_EDIT_COPY:
            lock_.copySelection(*this, command == ID_EDIT_CUT);
            break;
        case ID_EDIT_PASTE:
            // The control opens the clipboard once and gives up; it is offered a free one.
            if (!openClipboardPatiently(window_)) {
                MessageBeep(MB_ICONWARNING);
                break;
            }
            CloseClipboard();
            sendToEditor(WM_PASTE);
            break;
        case ID_EDIT_DELETE:
            sendToEditor(WM_CLEAR);
            break;
        case ID_EDIT_SELECT_ALL:
            sendToEditor(EM_SETSEL, 0, -1);
            break;
        case ID_EDIT_FIND:
            openFindDialog(*this);
            break;
        case ID_EDIT_FIND_NEXT:
            findNext(*this);
            break;
        default:
            onViewCommand(command);
    }
    // Any command may move the caret, change the text or the note's state; the editor's change
    // notices come this way too.
    updateStatusBar();
}

void MainWindow::sendToEditor(UINT message, WPARAM wParam, LPARAM lParam) {
    SendMessageA(editor_, message, wParam, lParam);
}

bool MainWindow::queryExit() {
    if (!isEditorModified(editor_)) return true;
    const int answer = MessageBoxA(window_, "Do you want to save modifications before exiting?",
                                   "Quillox", MB_YESNOCANCEL);
    if (answer == IDYES) return saveNote();
    return answer == IDNO;
}

WindowPlacement MainWindow::currentPlacement() const {
    RECT frame{};
    GetWindowRect(window_, &frame);
    // A minimized window's rectangle is the icon's; the size to restore is the normal one.
    if (IsIconic(window_)) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        if (GetWindowPlacement(window_, &placement)) frame = placement.rcNormalPosition;
    }
    // Stored in 96-DPI units, so that the note opens at the same size on any monitor.
    const std::int32_t dpi = windowDpi(window_);
    WindowPlacement result;
    result.width = unitsFromPixels(frame.right - frame.left, dpi);
    result.height = unitsFromPixels(frame.bottom - frame.top, dpi);
    result.maximized = IsZoomed(window_) != FALSE;
    return result;
}

bool MainWindow::saveNote() {
    if (editorTextLength(editor_) == 0) {
        showError(kBlankRefusal);
        return false;
    }
    const WindowPlacement placement = currentPlacement();
    if (document_->path.empty()) return saveNoteAs();

    storeEditorText();

    if (isReadOnly()) {
        showError("Error saving file!\n\nFile is read-only.");
        return false;
    }
    if (!saveInto(window_, *document_, document_->path, placement, true)) return false;
    setEditorModified(editor_, false);
    return true;
}

bool MainWindow::saveNoteAs() {
    // A note without text could never be opened again, so Save As refuses it as Save does.
    if (editorTextLength(editor_) == 0) {
        showError(kBlankRefusal);
        return false;
    }
    const WindowPlacement placement = currentPlacement();
    String target;
    if (!chooseSaveFile("*.exe", window_, target, ".exe")) return false;
    if (file::exists(target.c_str()) &&
        MessageBoxA(window_, "File already exists - overwrite?", "Quillox", MB_YESNO) != IDYES) {
        return false;
    }

    if (!document_->keySet) {
        String passphrase;
        const bool confirmed = askNewPassphrase(passphrase);
        if (confirmed) document_->setKey(passphrase);
        secureWipe(passphrase);
        if (!confirmed) return false;
    }

    storeEditorText();

    if (!saveInto(window_, *document_, target, placement, isOpenNote(target, document_->path)))
        return false;
    setEditorModified(editor_, false);
    updateTitle();
    return true;
}

void MainWindow::newNote() {
    if (!queryExit()) return;
    document_->header.flags &= ~kNoteReadOnly;
    setEditorReadOnly(editor_, false);
    updateTitle(kNewDocumentLabel);
    enableReadOnlyCommands(true);
    setEditorText({});
    document_->clear();
}

void MainWindow::setPassphrase() {
    String passphrase;
    if (askNewPassphrase(passphrase)) {
        document_->changePassphrase(passphrase);
        // The file keeps the old passphrase until the note is saved.
        setEditorModified(editor_, true);
    }
    secureWipe(passphrase);
}

void MainWindow::makeReadOnly() {
    setEditorReadOnly(editor_, true);
    document_->header.flags |= kNoteReadOnly;
    updateTitle();
    enableReadOnlyCommands(false);
}

void MainWindow::showAbout() {
    showAboutDialog(window_);
}
