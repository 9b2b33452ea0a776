// When the editor locks and unlocks, and the sealed form its text takes while it is locked. No
// window system here: the window code turns what happens into a LockEvent and does the action.
#pragma once

#include <array>
#include <cstdint>

#include "storage/buffer.h"

enum class LockEvent {
    Idle,         // no input in the session for the configured time
    SessionLock,  // the session was locked or switched away, or the machine goes to sleep
    ByHand,       // Ctrl+L, or any command given to a locked window
    Right,        // the prompt returned a passphrase that opens the sealed text
    Wrong,        // ... one that does not
    Cancelled,    // the prompt was cancelled or closed
    Close,        // the window is asked to close
};

enum class LockAction {
    Ignore,
    Lock,
    OfferPassphrase,  // nothing to lock with: offer to set a passphrase first
    Prompt,           // show the passphrase prompt
    Unlock,
    AskAgain,  // "Invalid passphrase!", then the prompt again
    StayLocked,
    AskSave,     // the ordinary close of an open window
    AskDiscard,  // locked with unsaved changes: close only when the user agrees to lose them
    CloseNow,    // locked without unsaved changes: nothing to ask
};

struct LockView {
    bool locked = false;
    bool hasKey = false;   // the text has a passphrase (a blank editor before one is set has not)
    bool unsaved = false;  // the text had unsaved changes when it was locked
};

LockAction lockAction(LockEvent event, const LockView& view);

// The "locktimeout" value: four bytes little-endian, in seconds; the default when it cannot be
// read. 0 turns idle locking off.
constexpr std::uint32_t kDefaultLockTimeout = 600;
std::uint32_t lockTimeoutFromValue(const unsigned char* data, std::size_t count, bool found);
// Whether the idle time is up: the session has seen no input since `lastInput` and the window was
// not unlocked since `unlockedAt` (tick counts in milliseconds that wrap after 49.7 days).
bool idleLockDue(std::uint32_t now, std::uint32_t lastInput, std::uint32_t unlockedAt,
                 std::uint32_t timeoutSeconds);

// What the editor holds while locked: its text, selection and modified flag, AES-256-CBC under the
// note's key with an IV from the operating system. The first block is a fixed one, so that a key
// is checked without decrypting the text.
struct SealedText {
    std::array<std::uint8_t, 16> iv{};
    Bytes blob;
};
struct EditorState {
    U16String text;  // wiped by wipeEditorState
    std::int32_t selectionStart = 0, selectionEnd = 0;
    bool modified = false;
};
void wipeEditorState(EditorState& state);
// False when the operating system gives no random IV: nothing is sealed then.
bool sealEditorState(const EditorState& state, const std::uint8_t key[32], SealedText& sealed);
// False, with `state` left as it was, when `key` is not the key the text was sealed under.
bool openEditorState(const SealedText& sealed, const std::uint8_t key[32], EditorState& state);
