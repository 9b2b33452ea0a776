// When the editor locks and unlocks, and the sealed form its text takes while it is locked.
#include <gtest/gtest.h>

#include <algorithm>

#include "editor/lock_rules.h"

namespace {

using E = LockEvent;
using A = LockAction;

TEST(LockRules, WhatEachEventDoesInEachState) {
    const struct {
        E event;
        bool locked, hasKey, unsaved;
        A action;
    } cases[] = {
        {E::Idle, false, true, false, A::Lock},
        {E::SessionLock, false, true, true, A::Lock},
        {E::ByHand, false, true, false, A::Lock},
        // A blank editor before a passphrase has nothing to lock with.
        {E::Idle, false, false, false, A::Ignore},
        {E::SessionLock, false, false, false, A::Ignore},
        {E::ByHand, false, false, false, A::OfferPassphrase},
        {E::Close, false, true, true, A::AskSave},
        {E::Right, false, true, false, A::Ignore},
        {E::Cancelled, false, true, false, A::Ignore},
        // Locked, the key is gone: nothing locks twice, and every command asks for the passphrase.
        {E::Idle, true, false, true, A::Ignore},
        {E::SessionLock, true, false, false, A::Ignore},
        {E::ByHand, true, false, false, A::Prompt},
        {E::Right, true, false, true, A::Unlock},
        {E::Wrong, true, false, true, A::AskAgain},
        {E::Cancelled, true, false, true, A::StayLocked},
        {E::Close, true, false, true, A::AskDiscard},
        {E::Close, true, false, false, A::CloseNow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.action, lockAction(c.event, {c.locked, c.hasKey, c.unsaved}))
            << static_cast<int>(c.event) << c.locked << c.hasKey << c.unsaved;
}

TEST(LockRules, IdleTimeCountsFromTheLastInputOrUnlockAndItsSetting) {
    const struct {
        std::uint32_t now, lastInput, unlockedAt, seconds;
        bool due;
    } cases[] = {
        {10000, 7000, 0, 3, true},
        {10000, 7001, 0, 3, false},
        {10000, 0, 9000, 3, false},                   // unlocked a second ago
        {5000, 0xFFFFF000u, 0xFFFFF000u, 9, true},    // 9096 ms across the wrap of the count
        {5000, 0xFFFFFF00u, 0xFFFFFF00u, 10, false},  // 5256 ms across it
        {4000000000u, 0, 0, 0, false},                // 0 turns it off
        {4000000000u, 0, 0, 5000000, false},          // seconds * 1000 beyond 32 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.due, idleLockDue(c.now, c.lastInput, c.unlockedAt, c.seconds)) << c.now;
    const unsigned char three[4] = {3, 0, 0, 0}, zero[4] = {}, big[4] = {0, 1, 0, 0};
    EXPECT_EQ(3u, lockTimeoutFromValue(three, 4, true));
    EXPECT_EQ(0u, lockTimeoutFromValue(zero, 4, true));
    EXPECT_EQ(256u, lockTimeoutFromValue(big, 4, true));
    EXPECT_EQ(kDefaultLockTimeout, lockTimeoutFromValue(three, 2, true));
    EXPECT_EQ(kDefaultLockTimeout, lockTimeoutFromValue(three, 4, false));
}

TEST(LockRules, SealedTextOpensOnlyUnderItsKeyWithAFreshIvEachTime) {
    const EditorState state{u"line\r\n\u00e9\U0001F600 end", 2, 5, true};
    std::uint8_t key[32], other[32];
    std::fill(key, key + 32, 7);
    std::copy(key, key + 32, other);
    other[31] ^= 1;
    SealedText first, second;
    ASSERT_TRUE(sealEditorState(state, key, first));
    ASSERT_TRUE(sealEditorState(state, key, second));
    EXPECT_NE(first.iv, second.iv);
    const char16_t line[] = u"line";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(line);
    EXPECT_EQ(first.blob.end(),
              std::search(first.blob.begin(), first.blob.end(), bytes, bytes + 8));

    EditorState opened{u"before", 0, 0, false};
    EXPECT_FALSE(openEditorState(first, other, opened));
    EXPECT_EQ(u"before", opened.text) << "a wrong key leaves the state as it was";
    ASSERT_TRUE(openEditorState(second, key, opened));
    EXPECT_EQ(state.text, opened.text);
    EXPECT_EQ(2, opened.selectionStart);
    EXPECT_EQ(5, opened.selectionEnd);
    EXPECT_TRUE(opened.modified);
    // A length that claims more text than the blob holds is refused.
    first.blob.resize(32);
    EXPECT_FALSE(openEditorState(first, key, opened));
}

}  // namespace
