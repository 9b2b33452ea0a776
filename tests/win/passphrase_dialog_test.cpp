// The two passphrase dialogs, shown for real and driven from a timer inside their modal loops.
#include "dialogs/passphrase_dialogs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "win_support.h"

namespace {

constexpr const char* kEnterTitle = "Quillox: Please enter passphrase";
constexpr const char* kSetTitle = "Quillox: Enter passphrase";

// Steps run one per timer tick while a dialog (or a box it shows) runs its modal loop. A step
// returns false to be tried again on the next tick (its window is not there yet). Steps post
// rather than send anything that may open a box, so that the box's own loop can run the next one.
class Script {
public:
    explicit Script(std::vector<std::function<bool()>> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 30, tick);
    }
    ~Script() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool finished() const { return next_ == steps_.size(); }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        Script* script = current_;
        if (script == nullptr || script->busy_ || script->finished()) return;
        if (++script->ticks_ > 1000) return;  // gives up; the test then fails on finished()
        script->busy_ = true;
        if (script->steps_[script->next_]()) ++script->next_;
        script->busy_ = false;
    }

    static Script* current_;
    std::vector<std::function<bool()>> steps_;
    std::size_t next_ = 0;
    int ticks_ = 0;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};
Script* Script::current_ = nullptr;

HWND thisProcessWindow(const char* title) {
    return findWindowOf(GetCurrentProcessId(), title);
}

std::function<bool()> type(const char* title, int control, const char* text) {
    return [=] {
        HWND dialog = thisProcessWindow(title);
        if (dialog == nullptr) return false;
        SetDlgItemTextA(dialog, control, text);
        return true;
    };
}

std::function<bool()> press(const char* title, int control) {
    return [=] {
        HWND dialog = thisProcessWindow(title);
        if (dialog == nullptr) return false;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, control)));
        return true;
    };
}

// A command as a menu or accelerator sends it: no control handle.
std::function<bool()> commandWithoutControl(const char* title, int id) {
    return [=] {
        HWND dialog = thisProcessWindow(title);
        if (dialog == nullptr) return false;
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        return true;
    };
}

// Escape as the keyboard gives it: the dialog manager turns it into command 2 without a control.
std::function<bool()> escape(const char* title) {
    return [=] {
        HWND dialog = thisProcessWindow(title);
        if (dialog == nullptr) return false;
        PostMessageA(GetDlgItem(dialog, IDC_PASSPHRASE), WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(GetDlgItem(dialog, IDC_PASSPHRASE), WM_KEYUP, VK_ESCAPE, 0xC0000001);
        return true;
    };
}

std::function<bool()> closeBox(const char* title) {
    return [=] {
        HWND dialog = thisProcessWindow(title);
        if (dialog == nullptr) return false;
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return true;
    };
}

// Checks that the dialog is still open, then runs `check` on it.
std::function<bool()> expectOpen(const char* title, std::function<void(HWND)> check = {}) {
    return [=] {
        HWND dialog = thisProcessWindow(title);
        EXPECT_NE(dialog, nullptr) << title << " closed too early";
        if (dialog != nullptr && check) check(dialog);
        return true;
    };
}

std::function<bool()> dismissError(std::string& seen) {
    return [&seen] {
        HWND box = thisProcessWindow("Quillox::error");
        if (box == nullptr) return false;
        seen = messageBoxText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
}

std::string fieldText(HWND dialog, int control) {
    char text[256] = {};
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

class PassphraseDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveDisplay()) GTEST_SKIP() << "dialogs need a display";
    }
};

TEST_F(PassphraseDialogs, EnterGivesTheTextAndOneZeroByte) {
    const struct {
        const char* typed;
        std::vector<char> expected;
    } cases[] = {
        {"secret", {'s', 'e', 'c', 'r', 'e', 't', '\0'}},
        {"", {'\0'}},
        {"With Space ", {'W', 'i', 't', 'h', ' ', 'S', 'p', 'a', 'c', 'e', ' ', '\0'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        std::vector<char> buffer;
        Script script(
            {type(kEnterTitle, IDC_PASSPHRASE, c.typed), press(kEnterTitle, IDC_PASSPHRASE_OK)});
        EXPECT_EQ(ShowEnterPassphraseDialog(buffer), 1);
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(buffer, c.expected);
    }
}

TEST_F(PassphraseDialogs, EnterCancelAndCloseLeaveTheBufferUntouched) {
    for (bool useCloseBox : {false, true}) {
        std::vector<char> buffer;
        Script script(
            {type(kEnterTitle, IDC_PASSPHRASE, "typed"),
             useCloseBox ? closeBox(kEnterTitle) : press(kEnterTitle, IDC_PASSPHRASE_CANCEL)});
        EXPECT_EQ(ShowEnterPassphraseDialog(buffer), 0);
        EXPECT_TRUE(script.finished());
        EXPECT_TRUE(buffer.empty());
    }
}

TEST_F(PassphraseDialogs, CommandsWithoutAControlAndEscapeAreIgnored) {
    std::vector<char> buffer;
    Script script({type(kEnterTitle, IDC_PASSPHRASE, "abc"),
                   commandWithoutControl(kEnterTitle, IDC_PASSPHRASE_OK),
                   commandWithoutControl(kEnterTitle, IDC_PASSPHRASE_CANCEL), escape(kEnterTitle),
                   expectOpen(kEnterTitle), press(kEnterTitle, IDC_PASSPHRASE_OK)});
    EXPECT_EQ(ShowEnterPassphraseDialog(buffer), 1);
    EXPECT_TRUE(script.finished());
    EXPECT_STREQ(buffer.data(), "abc");
}

TEST_F(PassphraseDialogs, SetAcceptsEqualEntries) {
    for (const char* passphrase : {"correct horse", ""}) {
        SCOPED_TRACE(passphrase);
        std::vector<char> buffer;
        Script script({type(kSetTitle, IDC_PASSPHRASE, passphrase),
                       type(kSetTitle, IDC_PASSPHRASE_REPEAT, passphrase),
                       press(kSetTitle, IDC_PASSPHRASE_OK)});
        EXPECT_TRUE(ShowSetPassphraseDialog(buffer));
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(passphrase) + '\0');
    }
}

TEST_F(PassphraseDialogs, SetRefusesDifferentEntriesAndStaysOpenWithThem) {
    const struct {
        const char* first;
        const char* second;
    } mismatches[] = {{"word", "word "}, {"Word", "word"}, {"word", ""}};
    for (const auto& m : mismatches) {
        SCOPED_TRACE(std::string(m.first) + "|" + m.second);
        std::vector<char> buffer;
        std::string message;
        Script script({type(kSetTitle, IDC_PASSPHRASE, m.first),
                       type(kSetTitle, IDC_PASSPHRASE_REPEAT, m.second),
                       press(kSetTitle, IDC_PASSPHRASE_OK), dismissError(message),
                       expectOpen(kSetTitle,
                                  [&](HWND dialog) {
                                      EXPECT_EQ(fieldText(dialog, IDC_PASSPHRASE), m.first);
                                      EXPECT_EQ(fieldText(dialog, IDC_PASSPHRASE_REPEAT), m.second);
                                  }),
                       press(kSetTitle, IDC_PASSPHRASE_CANCEL)});
        EXPECT_FALSE(ShowSetPassphraseDialog(buffer));
        EXPECT_TRUE(script.finished());
        EXPECT_EQ(message, "Passphrases don't match");
        EXPECT_TRUE(buffer.empty());
    }
}

TEST_F(PassphraseDialogs, SetOpensOnlyOnceAtATime) {
    std::vector<char> outer;
    std::vector<char> inner{'k', 'e', 'p', 't', '\0'};
    bool innerResult = true;
    Script script(
        {expectOpen(kSetTitle, [&](HWND) { innerResult = ShowSetPassphraseDialog(inner); }),
         type(kSetTitle, IDC_PASSPHRASE, "one"), type(kSetTitle, IDC_PASSPHRASE_REPEAT, "one"),
         press(kSetTitle, IDC_PASSPHRASE_OK)});
    EXPECT_TRUE(ShowSetPassphraseDialog(outer));
    EXPECT_TRUE(script.finished());
    EXPECT_FALSE(innerResult);
    EXPECT_STREQ(inner.data(), "kept");
    EXPECT_STREQ(outer.data(), "one");
}

}  // namespace
