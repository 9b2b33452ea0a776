#include "editor/lock.h"

#include <richedit.h>
#include <wtsapi32.h>

#include <cstring>

#include "base/dll_search.h"
#include "base/error_box.h"
#include "dialogs/passphrase_dialogs.h"
#include "editor/find.h"
#include "editor/main_window.h"
#include "editor/richedit.h"
#include "base/win_handles.h"
#include "editor/window_rules.h"
#include "resources/resource.h"
#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/passphrase.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

constexpr UINT_PTR kIdleTimer = 1;
constexpr const char* kDiscardQuestion = "Close without saving the changes made before the lock?";
constexpr const char* kOfferPassphrase =
    "This text has no passphrase yet, so it cannot be locked. Set a passphrase now?";

using SessionNotifyFn = BOOL(WINAPI*)(HWND, DWORD);

// Read at every tick, so that a changed setting takes effect without a restart. Only read.
std::uint32_t readLockTimeout() {
    RegKey key;
    unsigned char value[4] = {};
    DWORD size = sizeof value;
    const bool found =
        RegOpenKeyExA(HKEY_CURRENT_USER, kFontSettingsKey, 0, KEY_READ, key.receive()) ==
            ERROR_SUCCESS &&
        RegQueryValueExA(key.get(), "locktimeout", nullptr, nullptr, value, &size) == ERROR_SUCCESS;
    return lockTimeoutFromValue(value, size, found);
}

// Every box and dialog of this thread goes, so that none holds the lock open: Find is destroyed,
// a modal one is cancelled, and ended outright when it has no Cancel (a Yes/No question, the
// passphrase dialogs). Their callers all take a cancel as "do nothing".
BOOL CALLBACK dismissDialog(HWND window, LPARAM main) {
    char name[8] = {};
    if (window == reinterpret_cast<HWND>(main) || !IsWindowVisible(window) ||
        GetClassNameA(window, name, sizeof name) != 6 || lstrcmpA(name, "#32770") != 0)
        return TRUE;
    SendMessageA(window, WM_COMMAND, IDCANCEL,
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
    if (IsWindow(window) && IsWindowVisible(window)) EndDialog(window, IDCANCEL);
    return TRUE;
}

void dismissDialogs(HWND main) {
    FindState& find = findState();
    if (find.dialog) DestroyWindow(find.dialog);
    find.dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), dismissDialog, reinterpret_cast<LPARAM>(main));
}

void forgetFindText() {
    FindState& find = findState();
    secureWipe(find.findText, sizeof find.findText);
    find.searchRecord.chrg = {0, -1};
    find.searchRecord.chrgText = {0, 0};
}

// The text this window put on the clipboard is wiped and the clipboard emptied, unless another
// program has put something there since.
void clearOwnClipboard(HWND window) {
    if (GetClipboardOwner() != window || !openClipboardPatiently(window)) return;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
        if (void* text = GlobalLock(data)) {
            secureWipe(text, GlobalSize(data));
            GlobalUnlock(data);
        }
    EmptyClipboard();
    CloseClipboard();
}

// Null when the block cannot be made or filled.
HGLOBAL globalCopy(const void* data, std::size_t n) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, n);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (!target) {
        if (memory) GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, data, n);
    GlobalUnlock(memory);
    return memory;
}

// The selection as clipboard text: a paragraph end the control reports as a lone CR becomes CRLF.
// The result is wiped by the caller.
void selectionText(HWND editor, U16String& out) {
    CHARRANGE range{};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (range.cpMax <= range.cpMin) return;
    U16String raw;  // wiped by the buffer when it goes
    readEditorRange(editor, range.cpMin, range.cpMax, raw);
    const std::size_t n = raw.size();
    out.reserve(n * 2 + 1);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(raw[i]);
        if (raw[i] == u'\r' && (i + 1 == n || raw[i + 1] != u'\n')) out.push_back(u'\n');
    }
    out.push_back(u'\0');
}

}  // namespace

bool openClipboardPatiently(HWND window) {
    for (int tries = 0; tries < 50; ++tries) {
        if (OpenClipboard(window)) return true;
        Sleep(20);
    }
    return false;
}

bool lockByChordInFind(HWND mainWindow, HWND find, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != 'L' || find == nullptr ||
        (message.hwnd != find && !IsChild(find, message.hwnd)) || GetKeyState(VK_CONTROL) >= 0 ||
        GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    SendMessageW(mainWindow, WM_COMMAND, ID_FILE_LOCK, 0);
    return true;
}

void EditorLock::start(HWND window) {
    unlockedAt_ = GetTickCount();
    SetTimer(window, kIdleTimer, 1000, nullptr);
    sessionLibrary_ = loadSystemLibrary("wtsapi32.dll");
    if (auto notify = sessionLibrary_ ? libraryFunction<SessionNotifyFn>(
                                            sessionLibrary_, "WTSRegisterSessionNotification")
                                      : nullptr)
        notify(window, NOTIFY_FOR_THIS_SESSION);
}

void EditorLock::stop(HWND window) {
    KillTimer(window, kIdleTimer);
    if (auto forget = sessionLibrary_ ? libraryFunction<BOOL(WINAPI*)(HWND)>(
                                            sessionLibrary_, "WTSUnRegisterSessionNotification")
                                      : nullptr)
        forget(window);
    clearOwnClipboard(window);
}

LockView EditorLock::view(const MainWindow& main) const {
    return LockView{locked_, main.document_->keySet, unsaved_};
}

void EditorLock::onTimer(MainWindow& main) {
    LASTINPUTINFO input{sizeof input, 0};
    if (locked_ || !GetLastInputInfo(&input)) return;
    if (idleLockDue(GetTickCount(), input.dwTime, unlockedAt_, readLockTimeout()))
        onEvent(main, LockEvent::Idle);
}

void EditorLock::onSessionChange(MainWindow& main, WPARAM change) {
    if (change == WTS_SESSION_LOCK || change == WTS_CONSOLE_DISCONNECT ||
        change == WTS_REMOTE_DISCONNECT)
        onEvent(main, LockEvent::SessionLock);
}

void EditorLock::onPower(MainWindow& main, WPARAM event) {
    if (event == PBT_APMSUSPEND) onEvent(main, LockEvent::SessionLock);
}

void EditorLock::onByHand(MainWindow& main) {
    onEvent(main, LockEvent::ByHand);
}

void EditorLock::onLockedInput(MainWindow& main) {
    if (locked_) onEvent(main, LockEvent::ByHand);
}

void EditorLock::onEvent(MainWindow& main, LockEvent event) {
    switch (lockAction(event, view(main))) {
        case LockAction::Lock:
            lock(main);
            break;
        case LockAction::OfferPassphrase:
            if (MessageBoxA(main.window_, kOfferPassphrase, "Quillox", MB_YESNO) != IDYES) break;
            main.setPassphrase();
            if (main.document_->keySet) lock(main);
            break;
        case LockAction::Prompt:
            PostMessageA(main.window_, kShowLockPrompt, 0, 0);
            break;
        default:
            break;
    }
}

void EditorLock::lock(MainWindow& main) {
    dismissDialogs(main.window_);
    EditorState state;  // wiped below on every way out
    readEditorText(main.editor_, state.text);
    CHARRANGE selection{};
    SendMessageW(main.editor_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    state.selectionStart = selection.cpMin;
    state.selectionEnd = selection.cpMax;
    state.modified = isEditorModified(main.editor_);
    NoteDocument& document = *main.document_;
    const bool sealed = sealEditorState(state, document.key.data(), sealed_);
    wipeEditorState(state);
    if (!sealed) {
        showError("The text cannot be locked: the system gave no random numbers.");
        return;
    }
    locked_ = true;
    unsaved_ = state.modified;
    SetWindowTextW(main.editor_, L"");
    SendMessageW(main.editor_, EM_EMPTYUNDOBUFFER, 0, 0);
    setEditorModified(main.editor_, false);
    EnableWindow(main.editor_, FALSE);
    SetFocus(main.window_);
    secureWipe(document.key.data(), document.key.size());
    document.keySet = false;
    forgetFindText();
    clearOwnClipboard(main.window_);
    PostMessageA(main.window_, kShowLockPrompt, 0, 0);
}

bool EditorLock::unlock(MainWindow& main) {
    NoteDocument& document = *main.document_;
    EditorState state;  // wiped below
    if (!openEditorState(sealed_, document.key.data(), state)) {
        secureWipe(document.key.data(), document.key.size());
        document.keySet = false;
        return false;
    }
    locked_ = false;
    EnableWindow(main.editor_, TRUE);
    // Inserted, not streamed in: a stream-in passes the text through a buffer of the control's own
    // that is freed without a wipe. Some versions of the control read an inserted text that opens
    // like RTF as RTF; such a text is streamed in as plain text. A read-only control takes both.
    const std::u16string_view start = slice(std::u16string_view(state.text), 0, 5);
    setEditorReadOnly(main.editor_, false);
    if (start == u"{\\rtf" || start == u"{urtf")
        main.setEditorText(state.text);
    else
        SendMessageW(main.editor_, EM_REPLACESEL, FALSE,
                     reinterpret_cast<LPARAM>(state.text.c_str()));
    setEditorReadOnly(main.editor_, main.isReadOnly());
    SendMessageW(main.editor_, EM_EMPTYUNDOBUFFER, 0, 0);
    selectEditorRange(main.editor_, state.selectionStart, state.selectionEnd);
    setEditorModified(main.editor_, state.modified);
    wipeEditorState(state);
    sealed_.blob.clear();
    unlockedAt_ = GetTickCount();
    SetFocus(main.editor_);
    return true;
}

void EditorLock::onPrompt(MainWindow& main) {
    if (!locked_ || prompting_) return;
    prompting_ = true;
    for (bool again = true; again && !closeAsked_;) {
        U16String passphrase;  // wiped as soon as the keys are tried
        LockEvent event = LockEvent::Cancelled;
        if (showEnterPassphraseDialog(passphrase, main.window_) == 1 && !closeAsked_ &&
            !passphrase.empty()) {
            event = LockEvent::Wrong;
            // Every form the note's key may have been made of, as opening the note tries them.
            String bytes;  // wiped by keyBytes before each new form and below
            for (KeyForm form : {KeyForm::Exact, KeyForm::Utf8, KeyForm::QuestionMarks}) {
                if (!keyBytes(passphrase, kAnsiCodePage, form, bytes)) continue;
                main.document_->setKey(bytes);
                if (unlock(main)) {
                    event = LockEvent::Right;
                    break;
                }
            }
            secureWipe(bytes);
        }
        secureWipe(passphrase);
        again = lockAction(event, view(main)) == LockAction::AskAgain;
        if (again) showError("Invalid passphrase!");
    }
    prompting_ = false;
    if (closeAsked_) {
        closeAsked_ = false;
        closeLocked(main);
    }
}

void EditorLock::onClose(MainWindow& main) {
    if (prompting_) {
        // The prompt's loop is below on the stack: it ends and then closes the window.
        closeAsked_ = true;
        dismissDialogs(main.window_);
        return;
    }
    closeLocked(main);
}

void EditorLock::closeLocked(MainWindow& main) {
    const LockAction action = lockAction(LockEvent::Close, view(main));
    if (action == LockAction::AskDiscard &&
        MessageBoxA(main.window_, kDiscardQuestion, "Quillox", MB_YESNO | MB_DEFBUTTON2) != IDYES)
        return;
    DestroyWindow(main.window_);
}

void EditorLock::copySelection(MainWindow& main, bool cut) {
    U16String text;  // wiped once copied, and by the buffer on every way out
    selectionText(main.editor_, text);
    if (text.empty()) return;
    if (!openClipboardPatiently(main.window_)) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    EmptyClipboard();
    const HGLOBAL data = globalCopy(text.data(), text.size() * 2);
    secureWipe(text);
    const bool placed = data && SetClipboardData(CF_UNICODETEXT, data);
    if (data && !placed) GlobalFree(data);
    // Windows keeps text in these formats out of its clipboard history and the cloud clipboard.
    // A null block would ask for the format later instead, so none is offered.
    const DWORD no = 0;
    for (const char* format : {"ExcludeClipboardContentFromMonitorProcessing",
                               "CanIncludeInClipboardHistory", "CanUploadToCloudClipboard"})
        if (const HGLOBAL marker = globalCopy(&no, sizeof no))
            if (!SetClipboardData(RegisterClipboardFormatA(format), marker)) GlobalFree(marker);
    CloseClipboard();
    // A cut removes only what the clipboard took.
    if (!placed)
        MessageBeep(MB_ICONWARNING);
    else if (cut)
        SendMessageW(main.editor_, WM_CLEAR, 0, 0);
}
