// The two passphrase dialogs, shown for real in this process and answered from another thread.
#include "dialogs/passphrase_dialogs.h"

#include <gtest/gtest.h>

#include "box_answerer.h"
#include "resources/resource.h"

namespace {

using Answer = BoxAnswerer::Answer;

Answer enter(const std::string& text) {
    return BoxAnswerer::fill({{IDC_PASSPHRASE, text}}, IDC_PASSPHRASE_OK);
}

Answer set(const std::string& first, const std::string& second) {
    return BoxAnswerer::fill({{IDC_PASSPHRASE, first}, {IDC_PASSPHRASE_REPEAT, second}},
                             IDC_PASSPHRASE_OK);
}

TEST(PassphraseDialogs, EnterGivesTheTextAndOneZeroByteOrLeavesTheBuffer) {
    const struct {
        Answer answer;
        INT_PTR result;
        std::string buffer;
    } cases[] = {
        {enter(""), 1, std::string(1, '\0')},
        {enter("With Space "), 1, std::string("With Space ") + '\0'},
        {BoxAnswerer::press(IDC_PASSPHRASE_CANCEL), 0, ""},
        {[](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }, 0, ""},
        // Commands without a control (from a menu or an accelerator) and Escape are ignored.
        {[](HWND box) {
             SetDlgItemTextA(box, IDC_PASSPHRASE, "abc");
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_OK, 0);
             PostMessageA(box, WM_COMMAND, IDC_PASSPHRASE_CANCEL, 0);
             PostMessageA(GetDlgItem(box, IDC_PASSPHRASE), WM_KEYDOWN, VK_ESCAPE, 0);
             PostMessageA(GetDlgItem(box, IDC_PASSPHRASE), WM_KEYUP, VK_ESCAPE, 0xC0000001);
             Sleep(300);
             enter("still open")(box);
         },
         1, std::string("still open") + '\0'},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer;
        BoxAnswerer boxes({c.answer});
        EXPECT_EQ(c.result, ShowEnterPassphraseDialog(buffer));
        EXPECT_EQ(c.buffer, std::string(buffer.begin(), buffer.end()));
    }
}

TEST(PassphraseDialogs, SetGivesEqualEntriesAndOneZeroByte) {
    for (const std::string passphrase : {"correct horse", ""}) {
        std::vector<char> buffer;
        BoxAnswerer boxes({set(passphrase, passphrase)});
        EXPECT_TRUE(ShowSetPassphraseDialog(buffer));
        EXPECT_EQ(passphrase + '\0', std::string(buffer.begin(), buffer.end()));
    }
}

TEST(PassphraseDialogs, SetOpensOnlyOnceAtATime) {
    static std::vector<char> inner{'k', 'e', 'p', 't', '\0'};
    static bool innerResult = true;
    // While the first dialog waits for its answer, a second request comes from its own loop.
    SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        innerResult = ShowSetPassphraseDialog(inner);
    });
    std::vector<char> outer;
    BoxAnswerer boxes({[](HWND box) {
                           Sleep(500);
                           set("one", "one")(box);
                       },
                       set("two", "two")});
    EXPECT_TRUE(ShowSetPassphraseDialog(outer));
    EXPECT_FALSE(innerResult);
    EXPECT_STREQ("kept", inner.data());
    EXPECT_STREQ("one", outer.data());
}

}  // namespace
