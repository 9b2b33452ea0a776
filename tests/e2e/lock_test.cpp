// An open note left alone locks: its text leaves the window, the memory the editor holds and the
// clipboard until the passphrase is given again, whatever box is open at that moment.
#include <atomic>

#include "e2e_fixture.h"
#include "heap_scan.h"

namespace e2e {
namespace {

constexpr const char* kSettings = "Software\\Quillworks\\Quillox";

// The needle's hits in the heap blocks the editor holds and in those it freed.
std::pair<WPARAM, LPARAM> heapHits(HWND window) {
    static const UINT scan = RegisterWindowMessageA("Quillox::heapscan");
    static const UINT found = RegisterWindowMessageA("Quillox::heapfound");
    MSG reply{};
    PeekMessageA(&reply, nullptr, 0, 0, PM_NOREMOVE);  // the queue the answer comes to
    PostMessageA(window, scan, GetCurrentThreadId(), 0);
    waitUntil([&] { return PeekMessageA(&reply, nullptr, found, found, PM_REMOVE) != FALSE; },
              "the editor's heap scan");
    return {reply.wParam, reply.lParam};
}

std::string clipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "(busy)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            while (*units) text += static_cast<char>(*units++);
            GlobalUnlock(data);
        }
    CloseClipboard();
    return text;
}

class Lock : public QuilloxTest {
protected:
    ~Lock() override { RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettings, "locktimeout"); }

    HWND waitLocked(const EditorWindow& window) {
        const HWND prompt = waitWindow(dialogTitled(kPromptTitle, window.pid));
        EXPECT_EQ(window.window, GetWindow(prompt, GW_OWNER));
        EXPECT_EQ("", window.text());
        // Held or freed: the editor wipes every copy it makes, and reads the control without one.
        const auto hits = heapHits(window.window);
        EXPECT_EQ(0u, hits.first) << "the text or the key in heap blocks the locked editor holds";
        EXPECT_EQ(0, hits.second) << "the text or the key in heap blocks the editor freed";
        return prompt;
    }
    void unlock(EditorWindow& window, HWND prompt, const std::string& expected) {
        submitPassphrase(prompt, kHeapPassphrase);
        waitUntil([&] { return window.text() == expected; }, "the text to come back");
        EXPECT_TRUE(window.modified()) << "the unsaved edit is still marked";
    }
};

TEST_F(Lock, IdleAndCtrlLSealTheTextUntilThePassphrase) {
    // The needle well inside the text: a freed block starts with the heap's own links.
    const std::string text = std::string(64, '-') + kHeapNeedle, edited = text + " typed";
    const std::string note = makeNote("note.exe", text, kHeapPassphrase);  // as openAsCopy types it
    EditorWindow window = openAsCopy(QUILLOX_FAULTY_EXE, note);
    appendText(window, " typed", edited);
    EXPECT_NE(0u, heapHits(window.window).first) << "the scan must see the open text";
    // As commands, not keys: a chord can reach the window before it has the keyboard focus. Given
    // while another program holds the clipboard: a cut it never gets leaves the text; a copy waits
    // for the clipboard to be let go.
    std::atomic<int> held{0};
    TestThread holder([&] {
        held = OpenClipboard(nullptr) ? 1 : -1;
        while (held == 1) Sleep(10);
        if (held == 2) CloseClipboard();
    });
    waitUntil([&] { return held != 0; }, "the clipboard to be held");
    const auto command = [&](int id) {
        SendMessageTimeoutA(window.window, WM_COMMAND, id, 0, SMTO_ABORTIFHUNG, kPatience, nullptr);
    };
    command(ID_EDIT_SELECT_ALL);
    command(ID_EDIT_CUT);
    EXPECT_EQ(edited, window.text()) << "a cut the clipboard did not take";
    TestThread letGo([&] {
        Sleep(200);
        held = 2;
    });
    command(ID_EDIT_COPY);
    EXPECT_EQ(edited, clipboardText());
    EXPECT_TRUE(
        IsClipboardFormatAvailable(RegisterClipboardFormatA("CanIncludeInClipboardHistory")));

    // Left alone with the closing question open. The short idle time only from here (the editor
    // reads it at every tick): a slow step before could otherwise lock before the question.
    postClose(window.window);
    const HWND box = waitWindow(dialogTitled(kQuestionCaption, window.pid));
    const DWORD seconds = 3;
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettings, "locktimeout", REG_DWORD, &seconds, 4);
    HWND prompt = waitLocked(window);
    waitGone(box, "the question the lock cancels");
    EXPECT_EQ("", clipboardText());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettings, "locktimeout");

    submitPassphrase(prompt, "wrong");
    EXPECT_EQ("Invalid passphrase!", answerMessageBox(kErrorCaption, IDOK, window.pid));
    unlock(window, waitWindow(dialogTitled(kPromptTitle, window.pid)), edited);

    // By hand, pressed in the Find dialog: at once.
    postCommand(window.window, ID_EDIT_FIND);
    const HWND find = waitWindow(dialogTitled("Find", window.pid));
    pressChord(find, {VK_CONTROL, 'L'});
    prompt = waitLocked(window);
    waitGone(find, "the Find dialog");
    unlock(window, prompt, edited);

    // Closed while locked: only the edit made before the lock is lost, after a question.
    pressChord(window.window, {VK_CONTROL, 'L'});
    waitLocked(window);
    postClose(window.window);
    EXPECT_EQ("Close without saving the changes made before the lock?",
              answerMessageBox(kQuestionCaption, IDYES, window.pid));
    family().waitAllEnded();
    EXPECT_EQ(text, readNote(note, kHeapPassphrase));
}

}  // namespace
}  // namespace e2e
