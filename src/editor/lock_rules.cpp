#include "editor/lock_rules.h"

#include <algorithm>
#include <cstring>

#include "storage/buffer.h"
#include "storage/crypto/aes.h"
#include "storage/le.h"
#include "storage/random.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

constexpr std::uint8_t kCheckBlock[16] = {'Q', 'u', 'i', 'l', 'l', 'o', 'x', ' ',
                                          'l', 'o', 'c', 'k', 'e', 'd', 0,   1};
// The check block, then start, end, modified and the number of UTF-16 units, then the text.
constexpr std::size_t kPrefix = 16 + 16;

}  // namespace

LockAction lockAction(LockEvent event, const LockView& view) {
    using E = LockEvent;
    using A = LockAction;
    if (!view.locked) {
        switch (event) {
            case E::Idle:
            case E::SessionLock:
                return view.hasKey ? A::Lock : A::Ignore;
            case E::ByHand:
                return view.hasKey ? A::Lock : A::OfferPassphrase;
            case E::Close:
                return A::AskSave;
            default:
                return A::Ignore;
        }
    }
    switch (event) {
        case E::ByHand:
            return A::Prompt;
        case E::Right:
            return A::Unlock;
        case E::Wrong:
            return A::AskAgain;
        case E::Cancelled:
            return A::StayLocked;
        case E::Close:
            return view.unsaved ? A::AskDiscard : A::CloseNow;
        default:
            return A::Ignore;
    }
}

std::uint32_t lockTimeoutFromValue(const unsigned char* data, std::size_t count, bool found) {
    return found && count == 4 ? loadLE32(data) : kDefaultLockTimeout;
}

bool idleLockDue(std::uint32_t now, std::uint32_t lastInput, std::uint32_t unlockedAt,
                 std::uint32_t timeoutSeconds) {
    if (timeoutSeconds == 0) return false;
    const std::uint64_t quiet = std::min(now - lastInput, now - unlockedAt);
    return quiet >= std::uint64_t{timeoutSeconds} * 1000;
}

void wipeEditorState(EditorState& state) {
    secureWipe(state.text);
    state.text.clear();
}

bool sealEditorState(const EditorState& state, const std::uint8_t key[32], SealedText& sealed) {
    if (!secureRandom(sealed.iv.data(), sealed.iv.size())) return false;
    const std::size_t textBytes = state.text.size() * 2;
    // Sized once and never grown: it holds plaintext until it is encrypted in place.
    Bytes blob((kPrefix + textBytes + 15) / 16 * 16, 0);
    std::memcpy(blob.data(), kCheckBlock, 16);
    storeLE32(&blob[16], static_cast<std::uint32_t>(state.selectionStart));
    storeLE32(&blob[20], static_cast<std::uint32_t>(state.selectionEnd));
    storeLE32(&blob[24], state.modified ? 1 : 0);
    storeLE32(&blob[28], static_cast<std::uint32_t>(state.text.size()));
    if (textBytes) std::memcpy(&blob[kPrefix], state.text.data(), textBytes);
    AesEncKeySchedule schedule;
    expandEncKey(key, schedule);
    std::array<std::uint8_t, 16> chain = sealed.iv;
    cbcEncrypt(blob.data(), blob.data(), blob.size(), chain.data(), schedule);
    secureWipe(&schedule, sizeof schedule);
    secureWipe(sealed.blob);
    sealed.blob.swap(blob);
    return true;
}

bool openEditorState(const SealedText& sealed, const std::uint8_t key[32], EditorState& state) {
    if (sealed.blob.size() < kPrefix || sealed.blob.size() % 16) return false;
    AesDecKeySchedule schedule;
    expandDecKey(key, schedule);
    std::array<std::uint8_t, 16> chain = sealed.iv;
    // Wiped on every way out below.
    Bytes plain(sealed.blob.size());
    cbcDecrypt(sealed.blob.data(), plain.data(), 16, chain.data(), schedule);
    const bool right = std::memcmp(plain.data(), kCheckBlock, 16) == 0;
    if (right)
        cbcDecrypt(sealed.blob.data() + 16, plain.data() + 16, plain.size() - 16, chain.data(),
                   schedule);
    secureWipe(&schedule, sizeof schedule);
    const std::size_t units = right ? loadLE32(&plain[28]) : 0;
    const bool fits = right && units <= (plain.size() - kPrefix) / 2;
    if (fits) {
        wipeEditorState(state);
        state.text.resize(units);
        if (units) std::memcpy(&state.text[0], &plain[kPrefix], units * 2);
        state.selectionStart = static_cast<std::int32_t>(loadLE32(&plain[16]));
        state.selectionEnd = static_cast<std::int32_t>(loadLE32(&plain[20]));
        state.modified = loadLE32(&plain[24]) != 0;
    }
    secureWipe(plain);
    return fits;
}
