// The editor window under Wine: creation from a document, text transfer, the read-only state,
// the document commands and searching. Modal boxes are answered by a watcher thread.
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor/find.h"
#include "editor/main_window.h"
#include "editor/window_rules.h"
#include "resources/resource.h"
#include "startup/app_state.h"
#include "storage/code_page.h"
#include "storage/note_document.h"
#include "win_support.h"

namespace {

std::string windowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// Answers every dialog box the process opens, in order, and records what each one said as
// "caption|text". The set-passphrase dialog is filled in with `passphrase` and confirmed; a file
// dialog gets `fileName` and is confirmed.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::deque<int> answers = {}, std::string passphrase = "secret",
                         std::string fileName = {})
        : answers_(std::move(answers)),
          passphrase_(std::move(passphrase)),
          fileName_(std::move(fileName)),
          stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          thread_(CreateThread(nullptr, 0, run, this, 0, nullptr)) {}
    ~BoxAnswerer() {
        SetEvent(stop_);
        // The answering thread may be asking a window of this thread for its text, which only
        // this thread can answer: go on handling sent messages until it has finished.
        while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_SENDMESSAGE) ==
               WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        }
        CloseHandle(thread_);
        CloseHandle(stop_);
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<std::string> seen() {
        Lock lock(guard_);
        return seen_;
    }

private:
    class Lock {
    public:
        explicit Lock(SRWLOCK& guard) : guard_(guard) { AcquireSRWLockExclusive(&guard_); }
        ~Lock() { ReleaseSRWLockExclusive(&guard_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        SRWLOCK& guard_;
    };

    static BOOL CALLBACK collectStatic(HWND child, LPARAM out) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof(name));
        const std::string text = windowText(child);
        auto* longest = reinterpret_cast<std::string*>(out);
        if (lstrcmpiA(name, "Static") == 0 && text.size() > longest->size()) *longest = text;
        return TRUE;
    }

    static BOOL CALLBACK visit(HWND window, LPARAM self) {
        reinterpret_cast<BoxAnswerer*>(self)->answer(window);
        return TRUE;
    }

    static void click(HWND dialog, int id) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    void answer(HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char name[32] = {};
        GetClassNameA(window, name, sizeof(name));
        if (process != GetCurrentProcessId() || std::string(name) != "#32770" ||
            !IsWindowVisible(window) || handled_.count(window)) {
            return;
        }
        const std::string caption = windowText(window);
        if (caption == "Find") return;  // the modeless Find dialog stays for the test to use
        handled_.insert(window);

        if (caption == "Quillox: Enter passphrase") {
            SetDlgItemTextA(window, IDC_PASSPHRASE, passphrase_.c_str());
            SetDlgItemTextA(window, IDC_PASSPHRASE_REPEAT, passphrase_.c_str());
            click(window, IDC_PASSPHRASE_OK);
            record(caption + "|");
            return;
        }
        if (GetDlgItem(window, edt1) || GetDlgItem(window, cmb13)) {
            const int field = GetDlgItem(window, edt1) ? edt1 : cmb13;
            SetDlgItemTextA(window, field, fileName_.c_str());
            click(window, IDOK);
            record("file dialog|" + caption);
            return;
        }
        std::string text;
        EnumChildWindows(window, collectStatic, reinterpret_cast<LPARAM>(&text));
        record(caption + "|" + text);
        int id = IDOK;
        {
            Lock lock(guard_);
            if (!answers_.empty()) {
                id = answers_.front();
                answers_.pop_front();
            }
        }
        click(window, id);
    }

    void record(const std::string& entry) {
        Lock lock(guard_);
        seen_.push_back(entry);
    }

    static DWORD WINAPI run(void* self) {
        auto* answerer = static_cast<BoxAnswerer*>(self);
        while (WaitForSingleObject(answerer->stop_, 20) == WAIT_TIMEOUT) {
            auto& handled = answerer->handled_;
            for (auto it = handled.begin(); it != handled.end();) {
                it = IsWindow(*it) ? std::next(it) : handled.erase(it);
            }
            EnumWindows(visit, reinterpret_cast<LPARAM>(answerer));
        }
        return 0;
    }

    SRWLOCK guard_ = SRWLOCK_INIT;
    std::deque<int> answers_;
    std::vector<std::string> seen_;
    const std::string passphrase_;
    const std::string fileName_;
    std::set<HWND> handled_;  // touched by the watcher thread only
    HANDLE stop_;
    HANDLE thread_;
};

std::string modulePath() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}

RECT windowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

bool isGrayed(HWND window, unsigned command) {
    return (GetMenuState(GetMenu(window), command, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

CHARRANGE selection(HWND editor) {
    CHARRANGE range{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        appState().instance = GetModuleHandleA(nullptr);
        appState().findMessage = RegisterWindowMessageA(FINDMSGSTRINGA);
        LoadLibraryA("RichEd20.dll");
    }

    void SetUp() override {
        if (!haveDisplay()) GTEST_SKIP() << "windows need a display";
    }

    void TearDown() override {
        window_.reset();
        // A window closed through WM_CLOSE posts the quit message, which would end the next
        // modal box at once.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    static std::unique_ptr<NoteDocument> document(const std::string& text = {},
                                                  std::uint32_t flags = 0, std::int32_t width = 0,
                                                  std::int32_t height = 0) {
        auto doc = std::make_unique<NoteDocument>(modulePath());
        if (!text.empty()) {
            doc->setkey("secret");
            doc->settext(text);
        }
        doc->header.flags = flags;
        doc->header.window_width = width;
        doc->header.window_height = height;
        return doc;
    }

    MainWindow& open(std::unique_ptr<NoteDocument> doc) {
        window_ = std::make_unique<MainWindow>(std::move(doc));
        return *window_;
    }

    void command(unsigned id) { SendMessageA(window_->window(), WM_COMMAND, id, 0); }

    // The editor's text in the code page, as the note stores text that fits it.
    std::string editorText() {
        std::u16string text;
        window_->getEditorText(text);
        return storedFormOf(text).bytes;
    }

    bool modified() { return SendMessageA(window_->editor(), EM_GETMODIFY, 0, 0) != 0; }

    ScratchFolder folder_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, BlankDocumentOpensCentredAtTheDefaultSize) {
    MainWindow& main = open(document());
    EXPECT_EQ(windowText(main.window()), "Quillox version 1.3-beta1: <new document>");
    EXPECT_TRUE(IsWindowVisible(main.window()));
    EXPECT_FALSE(IsZoomed(main.window()));

    const RECT own = windowRect(main.window());
    const RECT desktop = windowRect(GetDesktopWindow());
    EXPECT_EQ(own.right - own.left, 480);
    EXPECT_EQ(own.bottom - own.top, 320);
    const WindowOrigin origin =
        centredOrigin(desktop.right - desktop.left, desktop.bottom - desktop.top, 480, 320);
    EXPECT_EQ(own.left, origin.x);
    EXPECT_EQ(own.top, origin.y);

    EXPECT_EQ(editorText(), "");
    EXPECT_FALSE(modified());
    EXPECT_FALSE(GetWindowLongPtrA(main.editor(), GWL_STYLE) & ES_READONLY);
    for (unsigned id : kReadOnlyCommands) EXPECT_FALSE(isGrayed(main.window(), id)) << id;
}

TEST_F(MainWindowTest, HeaderSizeAppliesFieldByField) {
    MainWindow& main = open(document("x", 0, 0, 700));
    const RECT own = windowRect(main.window());
    EXPECT_EQ(own.right - own.left, 480);
    EXPECT_EQ(own.bottom - own.top, 700);
}

TEST_F(MainWindowTest, MaximizedNoteOpensMaximizedAndRestoresAtTheOrigin) {
    MainWindow& main = open(document("x", NOTE_MAXIMIZED, 500, 400));
    EXPECT_TRUE(IsZoomed(main.window()));
    ShowWindow(main.window(), SW_RESTORE);
    const RECT own = windowRect(main.window());
    EXPECT_EQ(own.left, 0);
    EXPECT_EQ(own.top, 0);
    EXPECT_EQ(own.right, 500);
    EXPECT_EQ(own.bottom, 400);
}

TEST_F(MainWindowTest, ReadOnlyNoteLocksEditorTitleAndTheNineCommands) {
    MainWindow& main = open(document("locked text", NOTE_READONLY));
    EXPECT_EQ(editorText(), "locked text");
    EXPECT_FALSE(modified());
    EXPECT_TRUE(GetWindowLongPtrA(main.editor(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(windowText(main.window()), "Quillox version 1.3-beta1: <new document> [read-only]");
    for (unsigned id : kReadOnlyCommands) EXPECT_TRUE(isGrayed(main.window(), id)) << id;
    for (unsigned id : {ID_FILE_NEW, ID_FILE_EXIT, ID_EDIT_UNDO, ID_EDIT_COPY, ID_EDIT_FIND,
                        ID_EDIT_FIND_NEXT, ID_HELP_ABOUT}) {
        EXPECT_FALSE(isGrayed(main.window(), id)) << id;
    }
}

std::string manyLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + " of the long note\r\n";
    return text;
}

TEST_F(MainWindowTest, TextComesBackAsPutInWithPlainTextLineEnds) {
    MainWindow& main = open(document());
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"one line", "one line"},
        {"first\r\nsecond\r\n", "first\r\nsecond\r\n"},
        {"\xE9t\xE9 \xA7 caf\xE9", "\xE9t\xE9 \xA7 caf\xE9"},
        // Larger than one stream chunk, so the buffer has to take several pieces.
        {manyLines(2000), manyLines(2000)},
        {"", ""},
    };
    for (const auto& [in, out] : cases) {
        main.setEditorText(textOfStoredForm(in, false));
        EXPECT_EQ(editorText(), out) << in.substr(0, 40);
    }
}

TEST_F(MainWindowTest, EditorIsPlainTextWithTheFourMebibyteLimit) {
    MainWindow& main = open(document());
    EXPECT_EQ(SendMessageA(main.editor(), EM_GETLIMITTEXT, 0, 0), kEditorTextLimit);
    EXPECT_EQ(SendMessageA(main.editor(), EM_GETTEXTMODE, 0, 0) & TM_PLAINTEXT, TM_PLAINTEXT);
}

TEST_F(MainWindowTest, EditorCoversTheClientAreaAfterEveryResize) {
    MainWindow& main = open(document());
    for (const SIZE size : {SIZE{640, 480}, SIZE{300, 200}, SIZE{1000, 700}}) {
        SetWindowPos(main.window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{};
        GetClientRect(main.window(), &client);
        RECT editor{};
        GetWindowRect(main.editor(), &editor);
        MapWindowPoints(nullptr, main.window(), reinterpret_cast<POINT*>(&editor), 2);
        EXPECT_EQ(editor.left, 0);
        EXPECT_EQ(editor.top, 0);
        EXPECT_EQ(editor.right, client.right) << size.cx;
        EXPECT_EQ(editor.bottom, client.bottom) << size.cy;
    }
}

TEST_F(MainWindowTest, SelectAllSelectsTheWholeText) {
    MainWindow& main = open(document("select all of this"));
    SendMessageA(main.editor(), EM_SETSEL, 3, 3);
    command(ID_EDIT_SELECT_ALL);
    const CHARRANGE range = selection(main.editor());
    EXPECT_EQ(range.cpMin, 0);
    // The control may count its final paragraph mark in.
    EXPECT_GE(range.cpMax, 18);
}

TEST_F(MainWindowTest, MakeReadOnlyThenNewGivesAWritableBlankDocument) {
    MainWindow& main = open(document("some text"));
    main.document().path = "C:\\notes\\diary.exe";
    command(ID_FILE_MAKE_READONLY);
    EXPECT_EQ(windowText(main.window()),
              "Quillox version 1.3-beta1: C:\\notes\\diary.exe [read-only]");
    EXPECT_TRUE(main.document().header.flags & NOTE_READONLY);
    EXPECT_TRUE(GetWindowLongPtrA(main.editor(), GWL_STYLE) & ES_READONLY);
    for (unsigned id : kReadOnlyCommands) EXPECT_TRUE(isGrayed(main.window(), id)) << id;

    command(ID_FILE_NEW);
    EXPECT_EQ(windowText(main.window()), "Quillox version 1.3-beta1: <new document>");
    EXPECT_FALSE(main.document().header.flags & NOTE_READONLY);
    EXPECT_FALSE(GetWindowLongPtrA(main.editor(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(editorText(), "");
    EXPECT_TRUE(main.document().path.empty());
    EXPECT_TRUE(main.document().key_set);
    for (unsigned id : kReadOnlyCommands) EXPECT_FALSE(isGrayed(main.window(), id)) << id;
}

TEST_F(MainWindowTest, GrayedCommandsDoNothingEvenFromAnAccelerator) {
    BoxAnswerer boxes;
    MainWindow& main = open(document("read only", NOTE_READONLY));
    main.document().path = folder_ / "never-written.exe";
    SendMessageA(main.editor(), EM_SETMODIFY, 1, 0);
    command(ID_FILE_SAVE);
    command(ID_EDIT_DELETE);
    Sleep(200);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(editorText(), "read only");
    EXPECT_EQ(GetFileAttributesA(main.document().path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, BlankEditorIsRefusedBySaveAndSaveAs) {
    BoxAnswerer boxes;
    MainWindow& main = open(document());
    main.document().path = folder_ / "blank.exe";
    command(ID_FILE_SAVE);
    command(ID_FILE_SAVE_AS);
    const std::string refusal = "Quillox::error|I utterly refuse to save a blank Document :)";
    EXPECT_EQ(boxes.seen(), (std::vector<std::string>{refusal, refusal}));
    EXPECT_EQ(GetFileAttributesA(main.document().path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, ClosingAReadOnlyNoteWithChangesRefusesToSaveAndStaysOpen) {
    BoxAnswerer boxes({IDYES});
    MainWindow& main = open(document("changed", NOTE_READONLY));
    main.document().path = folder_ / "readonly.exe";
    SendMessageA(main.editor(), EM_SETMODIFY, 1, 0);
    SendMessageA(main.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(boxes.seen(),
              (std::vector<std::string>{"Quillox|Do you want to save modifications before exiting?",
                                        "Quillox::error|File is read-only.",
                                        "Quillox::error|Error saving file!"}));
    EXPECT_TRUE(IsWindow(main.window()));
    EXPECT_TRUE(modified());
}

TEST_F(MainWindowTest, CloseQuestionDecidesByTheAnswer) {
    struct Case {
        int answer;
        bool closes;
    };
    for (const Case& c : {Case{IDCANCEL, false}, Case{IDNO, true}}) {
        BoxAnswerer boxes({c.answer});
        MainWindow& main = open(document("text"));
        const HWND window = main.window();
        SendMessageA(main.editor(), EM_SETMODIFY, 1, 0);
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(IsWindow(window) != FALSE, !c.closes) << c.answer;
        TearDown();
    }
    // Unmodified: closes without a question.
    BoxAnswerer boxes;
    MainWindow& main = open(document("text"));
    const HWND window = main.window();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(MainWindowTest, SaveWritesTheTextAndPlacementIntoTheNoteFile) {
    BoxAnswerer boxes;
    const std::string target = folder_ / "saved.exe";
    MainWindow& main = open(document("first version", 0, 520, 360));
    main.document().path = target;
    main.setEditorText(u"second version\r\nwith two lines");
    SendMessageA(main.editor(), EM_SETMODIFY, 1, 0);
    command(ID_FILE_SAVE);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_FALSE(modified());

    NoteDocument loaded;
    ASSERT_TRUE(loaded.load(target));
    loaded.setkey("secret");
    ASSERT_TRUE(loaded.verifykey());
    std::string text;
    ASSERT_TRUE(loaded.gettext(text));
    EXPECT_EQ(text, "second version\r\nwith two lines");
    EXPECT_EQ(loaded.header.window_width, 520);
    EXPECT_EQ(loaded.header.window_height, 360);
    EXPECT_FALSE(loaded.header.flags & NOTE_MAXIMIZED);
}

TEST_F(MainWindowTest, SetPassphraseReencryptsAndMarksTheTextModified) {
    BoxAnswerer boxes({}, "new passphrase");
    MainWindow& main = open(document("kept text"));
    command(ID_FILE_SET_PASSPHRASE);
    EXPECT_EQ(boxes.seen(), (std::vector<std::string>{"Quillox: Enter passphrase|"}));
    EXPECT_TRUE(modified());
    NoteDocument reference;
    reference.setkey("new passphrase");
    EXPECT_EQ(main.document().key, reference.key);
    std::string text;
    EXPECT_TRUE(main.document().gettext(text));
    EXPECT_EQ(text, "kept text");
}

TEST_F(MainWindowTest, FindNextWalksTheMatchesAndStartsOverAfterTheLast) {
    BoxAnswerer boxes;
    MainWindow& main = open(document("cat dog cat bird cat"));
    FindState& state = findState();
    lstrcpyW(state.findText, L"cat");
    // The caret after the first match: the search starts there.
    SendMessageA(main.editor(), EM_SETSEL, 5, 5);
    command(ID_EDIT_FIND);
    ASSERT_NE(findDialogHandle(), nullptr);

    // The dialog's own Find Next button, then F3 onward.
    const HWND findButton = GetDlgItem(findDialogHandle(), IDOK);
    SendMessageA(findDialogHandle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(findButton));
    EXPECT_EQ(selection(main.editor()).cpMin, 8);
    const std::vector<CHARRANGE> expected = {{17, 20}, {0, 0}, {0, 3}, {8, 11}};
    for (const CHARRANGE& want : expected) {
        command(ID_EDIT_FIND_NEXT);
        const CHARRANGE got = selection(main.editor());
        EXPECT_EQ(got.cpMin, want.cpMin);
        EXPECT_EQ(got.cpMax, want.cpMax);
    }
    EXPECT_EQ(boxes.seen(), (std::vector<std::string>{"Quillox|No more matches."}));

    // Closing the dialog keeps the text and the position: F3 goes on.
    SendMessageA(findDialogHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(findDialogHandle(), nullptr);
    command(ID_EDIT_FIND_NEXT);
    EXPECT_EQ(selection(main.editor()).cpMin, 17);

    // Reopening starts at the selection and shows the options chosen before.
    command(ID_EDIT_FIND);
    EXPECT_TRUE(IsDlgButtonChecked(findDialogHandle(), rad2));  // "Down"
    SendMessageA(findDialogHandle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(findDialogHandle(), IDOK)));
    EXPECT_EQ(selection(main.editor()).cpMin, 17);
}

TEST_F(MainWindowTest, FontComesFromTheUserSettingsWithDefaultsPerValue) {
    struct Case {
        const char* name;
        DWORD faceType;  // REG_NONE: no "fontface" value
        std::string face;
        bool haveSize;
        DWORD size;
        const char* expectedFace;
        int expectedPoints;
    };
    const std::vector<Case> cases = {
        {"nothing set", REG_NONE, "", false, 0, "Courier New", 10},
        {"size only", REG_NONE, "", true, 14, "Courier New", 14},
        {"both", REG_SZ, std::string("Consolas\0", 9), true, 12, "Consolas", 12},
        {"face without room for a terminator", REG_BINARY, std::string(260, 'x'), true, 14,
         "Courier New", 14},
        {"face longer than the buffer", REG_SZ, std::string(300, 'y') + '\0', false, 0,
         "Courier New", 10},
    };
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    for (const Case& c : cases) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kFontSettingsKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (c.faceType != REG_NONE) {
            RegSetValueExA(key, "fontface", 0, c.faceType,
                           reinterpret_cast<const BYTE*>(c.face.data()),
                           static_cast<DWORD>(c.face.size()));
        }
        if (c.haveSize) {
            RegSetValueExA(key, "fontsize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&c.size),
                           4);
        }
        MainWindow& main = open(document());
        RegDeleteValueA(key, "fontsize");
        RegDeleteValueA(key, "fontface");
        RegCloseKey(key);

        // What the control made of the font it was given.
        CHARFORMATA format{};
        format.cbSize = sizeof(format);
        SendMessageA(main.editor(), EM_GETCHARFORMAT, SCF_DEFAULT,
                     reinterpret_cast<LPARAM>(&format));
        EXPECT_STREQ(format.szFaceName, c.expectedFace) << c.name;
        EXPECT_EQ(format.yHeight, -fontHeight(c.expectedPoints, dpi) * 1440 / dpi) << c.name;
        EXPECT_FALSE(format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT))
            << c.name;
        window_.reset();
    }
}

TEST_F(MainWindowTest, ImportReplacesTheWholeTextAndLeavesTheDocumentAlone) {
    const std::string source = folder_ / "in.txt";
    writeTextFile(source, "imported\r\ntext");
    BoxAnswerer boxes({}, "", source);
    MainWindow& main = open(document("old text"));
    SendMessageA(main.editor(), EM_SETSEL, 2, 4);
    command(ID_FILE_IMPORT_TEXT);
    EXPECT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(editorText(), "imported\r\ntext");
    std::string stored;
    ASSERT_TRUE(main.document().gettext(stored));
    EXPECT_EQ(stored, "old text");
}

TEST_F(MainWindowTest, ImportOfAFileHeldExclusivelyElsewhereFails) {
    const std::string source = folder_ / "locked.txt";
    writeTextFile(source, "cannot be read");
    const HANDLE holder =
        CreateFileA(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    BoxAnswerer boxes({}, "", source);
    open(document("unchanged"));
    command(ID_FILE_IMPORT_TEXT);
    CloseHandle(holder);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1], "Quillox::error|Error loading file!");
    EXPECT_EQ(editorText(), "unchanged");
}

TEST_F(MainWindowTest, ExportWritesTheTextInClearAndReplacesAnExistingFile) {
    const std::string target = folder_ / "out.txt";
    writeTextFile(target, "an older and much longer content that must disappear entirely");
    BoxAnswerer boxes({}, "", target);
    open(document("exported\r\nlines"));
    command(ID_FILE_EXPORT_TEXT);
    EXPECT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(readTextFile(target), "exported\r\nlines");
    EXPECT_FALSE(modified());
    // Nothing but the target is left in the folder.
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder_ / "*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(MainWindowTest, FailedExportKeepsTheOldFileWhole) {
    const std::string target = folder_ / "held.txt";
    writeTextFile(target, "the old content");
    const HANDLE holder =
        CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    BoxAnswerer boxes({}, "", target);
    open(document("new content"));
    command(ID_FILE_EXPORT_TEXT);
    CloseHandle(holder);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1], "Quillox::error|Error saving file!");
    EXPECT_EQ(readTextFile(target), "the old content");
}

TEST_F(MainWindowTest, FindNextBeforeAnyFindCollapsesTheSelectionSilently) {
    BoxAnswerer boxes;
    MainWindow& main = open(document("nothing searched yet"));
    SendMessageA(main.editor(), EM_SETSEL, 4, 9);
    command(ID_EDIT_FIND_NEXT);
    const CHARRANGE range = selection(main.editor());
    EXPECT_EQ(range.cpMin, 0);
    EXPECT_EQ(range.cpMax, 0);
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(MainWindowTest, SaveAsOfANewDocumentAsksAPassphraseAndAddsTheExtension) {
    const std::string chosen = folder_ / "fresh";
    BoxAnswerer boxes({}, "fresh passphrase", chosen);
    MainWindow& main = open(document());
    main.setEditorText(u"typed into a blank editor");
    SendMessageA(main.editor(), EM_SETMODIFY, 1, 0);
    command(ID_FILE_SAVE);  // no file yet: Save falls back to Save As

    EXPECT_EQ(boxes.seen().size(), 2u);  // the file dialog, then the passphrase dialog
    const std::string target = chosen + ".exe";
    EXPECT_EQ(main.document().path, target);
    EXPECT_EQ(windowText(main.window()), "Quillox version 1.3-beta1: " + target);
    EXPECT_FALSE(modified());

    NoteDocument loaded;
    ASSERT_TRUE(loaded.load(target));
    loaded.setkey("fresh passphrase");
    ASSERT_TRUE(loaded.verifykey());
    std::string text;
    ASSERT_TRUE(loaded.gettext(text));
    EXPECT_EQ(text, "typed into a blank editor");
}

TEST_F(MainWindowTest, SaveAsOverAnExistingFileAnsweredNoWritesNothing) {
    const std::string target = folder_ / "taken.exe";
    writeTextFile(target, "someone else's file");
    BoxAnswerer boxes({IDNO}, "unused", target);
    MainWindow& main = open(document("text with a key"));
    SendMessageA(main.editor(), EM_SETMODIFY, 1, 0);
    command(ID_FILE_SAVE_AS);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1], "Quillox|File already exists - overwrite?");
    EXPECT_EQ(readTextFile(target), "someone else's file");
    EXPECT_TRUE(main.document().path.empty());
    EXPECT_TRUE(modified());
}

}  // namespace
