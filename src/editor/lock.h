// Locking the editor when the user steps away: after a time without input, when the session is
// locked or switched away, on suspend, and by hand. A locked window holds its text only sealed
// under the note's key, shows an empty control, and asks for the passphrase again.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editor/lock_rules.h"

class MainWindow;

// Posted by a lock to its own window: the prompt comes once every box the lock closed has gone.
constexpr UINT kShowLockPrompt = WM_APP + 1;

// Another program (a clipboard viewer, a remote desktop client) may hold the clipboard for a
// moment. Copy, Cut, Paste and the clipboard's wipe at a lock wait up to a second for it rather
// than quietly doing nothing.
bool openClipboardPatiently(HWND window);

// Ctrl+L locks from the Find dialog too: whoever walks away presses it wherever the focus is. The
// dialog's other keys stay its own (Ctrl+C in its box copies the box's text). True when taken.
bool lockByChordInFind(HWND mainWindow, HWND find, const MSG& message);

class EditorLock {
public:
    EditorLock() = default;
    EditorLock(const EditorLock&) = delete;
    EditorLock& operator=(const EditorLock&) = delete;

    // With the window: the idle timer and the session notifications; at its end, their undoing
    // and the clipboard emptied when it still holds text this window put there.
    void start(HWND window);
    void stop(HWND window);

    bool locked() const { return locked_; }
    void onTimer(MainWindow& main);
    void onSessionChange(MainWindow& main, WPARAM change);
    void onPower(MainWindow& main, WPARAM event);
    // Ctrl+L, or any command, click or key that reaches a locked window.
    void onByHand(MainWindow& main);
    void onLockedInput(MainWindow& main);
    void onPrompt(MainWindow& main);
    void onClose(MainWindow& main);
    // Copy and Cut: the selection goes to the clipboard marked to stay out of clipboard history
    // and the cloud clipboard.
    void copySelection(MainWindow& main, bool cut);

private:
    void onEvent(MainWindow& main, LockEvent event);
    LockView view(const MainWindow& main) const;
    void lock(MainWindow& main);
    bool unlock(MainWindow& main);
    void closeLocked(MainWindow& main);

    SealedText sealed_;
    bool locked_ = false;
    bool unsaved_ = false;     // the text had unsaved changes when it was locked
    bool prompting_ = false;   // the prompt (or its "Invalid passphrase!") is open
    bool closeAsked_ = false;  // a close arrived while the prompt was open
    std::uint32_t unlockedAt_ = 0;
    HMODULE sessionLibrary_ = nullptr;
};
