// The editor window in this process: placement from the note's header, the read-only state, the
// document commands, searching and the font settings. The modal boxes the commands open are
// answered from another thread. (Closing, import and export: end to end.)
#include "editor/main_window.h"

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "base/app_state.h"
#include "box_answerer.h"
#include "driver.h"
#include "editor/find.h"
#include "editor/window_rules.h"
#include "storage/code_page.h"

namespace {

using e2e::windowRect;
using e2e::windowText;
using Boxes = std::vector<std::string>;
const std::string kTitle = "Quillox version 1.3-beta1: ";

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        appState().instance = GetModuleHandleA(nullptr);
        appState().findMessage = RegisterWindowMessageA(FINDMSGSTRINGA);
        LoadLibraryA("RichEd20.dll");
    }
    void TearDown() override {
        window_.reset();
        // A window closed by WM_CLOSE posts the quit message, which would end the next modal box.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    MainWindow& open(const std::string& text = {}, std::uint32_t flags = 0, int width = 0,
                     int height = 0) {
        char module[MAX_PATH + 1] = "";
        GetModuleFileNameA(nullptr, module, sizeof(module));
        auto doc = std::make_unique<NoteDocument>(module);
        if (!text.empty()) {
            doc->setkey("secret");
            doc->settext(text);
        }
        doc->header.flags = flags;
        doc->header.window_width = width;
        doc->header.window_height = height;
        window_.reset();
        window_ = std::make_unique<MainWindow>(std::move(doc));
        return *window_;
    }
    void command(unsigned id) { SendMessageA(window_->window(), WM_COMMAND, id, 0); }
    // The editor's text in the code page, as the note stores text that fits it.
    std::string text() {
        std::u16string text;
        window_->getEditorText(text);
        return storedFormOf(text).bytes;
    }
    bool modified() { return SendMessageA(window_->editor(), EM_GETMODIFY, 0, 0) != 0; }
    void setModified() { SendMessageA(window_->editor(), EM_SETMODIFY, 1, 0); }
    bool readOnly() { return GetWindowLongPtrA(window_->editor(), GWL_STYLE) & ES_READONLY; }
    // The nine commands a read-only note must not offer are grayed, and only they.
    void expectGrayed(bool grayed) {
        for (unsigned id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_IMPORT_TEXT, ID_FILE_EXPORT_TEXT,
                            ID_FILE_SET_PASSPHRASE, ID_FILE_MAKE_READONLY, ID_EDIT_CUT,
                            ID_EDIT_DELETE, ID_EDIT_PASTE, ID_FILE_NEW, ID_FILE_EXIT, ID_EDIT_UNDO,
                            ID_EDIT_COPY, ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_HELP_ABOUT}) {
            const UINT state = GetMenuState(GetMenu(window_->window()), id, MF_BYCOMMAND);
            EXPECT_EQ(grayed && isReadOnlyCommand(id), state != 0xFFFFFFFFu && (state & MF_GRAYED))
                << id;
        }
    }
    CHARRANGE selection() {
        CHARRANGE range{};
        SendMessageA(window_->editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }

    ScratchDir folder_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, PlacementFollowsTheHeaderFieldByField) {
    const RECT desktop = windowRect(GetDesktopWindow());
    const struct {
        std::uint32_t flags;
        int width, height;
        RECT expected;  // after restoring a maximized window
    } cases[] = {
        {0, 0, 0, {desktop.right / 2 - 240, desktop.bottom / 2 - 160, 0, 0}},
        {0, 0, 700, {desktop.right / 2 - 240, desktop.bottom / 2 - 350, 0, 0}},
        {0, 600, 400, {desktop.right / 2 - 300, desktop.bottom / 2 - 200, 0, 0}},
        {NOTE_MAXIMIZED, 500, 400, {0, 0, 500, 400}},
    };
    for (const auto& c : cases) {
        MainWindow& main = open("x", c.flags, c.width, c.height);
        EXPECT_EQ(c.flags != 0, IsZoomed(main.window()) != FALSE);
        ShowWindow(main.window(), SW_RESTORE);
        const RECT own = windowRect(main.window());
        EXPECT_EQ(c.expected.left, own.left);
        EXPECT_EQ(c.expected.top, own.top);
        EXPECT_EQ(c.width ? c.width : 480, own.right - own.left);
        EXPECT_EQ(c.height ? c.height : 320, own.bottom - own.top);
    }
}

TEST_F(MainWindowTest, APlainTextEditorFillsTheWindow) {
    MainWindow& main = open();
    EXPECT_EQ(kTitle + "<new document>", windowText(main.window()));
    EXPECT_FALSE(modified() || readOnly());
    EXPECT_EQ(kEditorTextLimit, SendMessageA(main.editor(), EM_GETLIMITTEXT, 0, 0));
    EXPECT_EQ(TM_PLAINTEXT, SendMessageA(main.editor(), EM_GETTEXTMODE, 0, 0) & TM_PLAINTEXT);
    // Text in and out across stream chunks: the end-to-end session, with its line ends.
    main.setEditorText(u"select all of this");
    command(ID_EDIT_SELECT_ALL);
    EXPECT_EQ(0, selection().cpMin);
    EXPECT_GE(selection().cpMax, 18);  // the control may count its final paragraph mark in
    for (const SIZE size : {SIZE{640, 480}, SIZE{300, 200}}) {
        SetWindowPos(main.window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{}, editor = windowRect(main.editor());
        GetClientRect(main.window(), &client);
        MapWindowPoints(nullptr, main.window(), reinterpret_cast<POINT*>(&editor), 2);
        EXPECT_TRUE(EqualRect(&client, &editor)) << size.cx;
    }
}

TEST_F(MainWindowTest, ReadOnlyLocksTheEditorAndItsCommandsUntilNew) {
    BoxAnswerer boxes({BoxAnswerer::press(IDYES)});
    MainWindow& main = open("locked text", NOTE_READONLY);
    main.document().path = folder_ / "never-written.exe";
    EXPECT_EQ("locked text", text());
    EXPECT_TRUE(readOnly());
    EXPECT_EQ(kTitle + "<new document> [read-only]", windowText(main.window()));
    expectGrayed(true);
    setModified();
    command(ID_FILE_SAVE);  // grayed: nothing, even from an accelerator
    command(ID_EDIT_DELETE);
    SendMessageA(main.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ((Boxes{"Quillox|Do you want to save modifications before exiting?",
                     "Quillox::error|File is read-only.", "Quillox::error|Error saving file!"}),
              boxes.seen());
    EXPECT_TRUE(IsWindow(main.window()) && modified()) << "a refused save keeps the window";
    EXPECT_EQ("locked text", text());
    EXPECT_FALSE(e2e::fileExists(main.document().path));

    SendMessageA(main.editor(), EM_SETMODIFY, 0, 0);
    command(ID_FILE_NEW);
    EXPECT_EQ(kTitle + "<new document>", windowText(main.window()));
    EXPECT_FALSE(readOnly() || (main.document().header.flags & NOTE_READONLY));
    EXPECT_TRUE(main.document().path.empty() && main.document().key_set && text().empty());
    expectGrayed(false);
    main.document().path = "C:\\notes\\diary.exe";
    command(ID_FILE_MAKE_READONLY);
    EXPECT_EQ(kTitle + "C:\\notes\\diary.exe [read-only]", windowText(main.window()));
    EXPECT_TRUE(readOnly() && (main.document().header.flags & NOTE_READONLY));
    expectGrayed(true);
}

TEST_F(MainWindowTest, SaveRoadsOfABlankAndANewDocument) {
    const std::string taken = folder_ / "taken.exe", chosen = folder_ / "fresh";
    writeFile(taken, "someone else's file");
    using B = BoxAnswerer;
    BoxAnswerer boxes(
        {B::press(IDOK), B::press(IDOK), B::chooseFile(taken), B::press(IDNO),
         B::chooseFile(chosen),
         B::fill({{IDC_PASSPHRASE, "pass"}, {IDC_PASSPHRASE_REPEAT, "pass"}}, IDC_PASSPHRASE_OK)});
    MainWindow& main = open();
    command(ID_FILE_SAVE);
    command(ID_FILE_SAVE_AS);
    const std::string refusal = "Quillox::error|I utterly refuse to save a blank Document :)";
    EXPECT_EQ((Boxes{refusal, refusal}), boxes.seen());
    main.setEditorText(u"typed into a blank editor");
    setModified();
    command(ID_FILE_SAVE_AS);  // over a file that is there, answered No
    EXPECT_EQ("Quillox|File already exists - overwrite?", boxes.seen().at(3));
    EXPECT_EQ(bytesOf("someone else's file"), readFile(taken));
    EXPECT_TRUE(main.document().path.empty() && modified());
    command(ID_FILE_SAVE);  // no file yet: Save as, the passphrase asked, ".exe" added
    EXPECT_EQ(6u, boxes.seen().size());
    EXPECT_EQ(kTitle + chosen + ".exe", windowText(main.window()));
    EXPECT_FALSE(modified());
    NoteDocument saved;
    std::string content;
    ASSERT_TRUE(saved.load(chosen + ".exe"));
    saved.setkey("pass");
    EXPECT_TRUE(saved.gettext(content));
    EXPECT_EQ("typed into a blank editor", content);
}

TEST_F(MainWindowTest, FindNextWalksTheMatchesAndStartsOverAfterTheLast) {
    BoxAnswerer boxes;
    MainWindow& main = open("cat dog cat bird cat");
    SendMessageA(main.editor(), EM_SETSEL, 4, 9);
    command(ID_EDIT_FIND_NEXT);  // before any search: the selection collapses, nothing is said
    EXPECT_EQ(0, selection().cpMax);
    lstrcpyW(findState().findText, L"cat");
    SendMessageA(main.editor(), EM_SETSEL, 5, 5);  // a search starts at the caret
    command(ID_EDIT_FIND);
    const auto findButton = [] {
        SendMessageA(findDialogHandle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(findDialogHandle(), IDOK)));
    };
    findButton();
    EXPECT_EQ(8, selection().cpMin);
    for (const CHARRANGE want : {CHARRANGE{17, 20}, CHARRANGE{0, 0}, CHARRANGE{0, 3}}) {
        command(ID_EDIT_FIND_NEXT);
        EXPECT_EQ(want.cpMin, selection().cpMin);
        EXPECT_EQ(want.cpMax, selection().cpMax);
    }
    EXPECT_EQ((Boxes{"Quillox|No more matches."}), boxes.seen());
    // Closed, the dialog leaves its text and position to Find Next; reopened, its options.
    SendMessageA(findDialogHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(nullptr, findDialogHandle());
    command(ID_EDIT_FIND_NEXT);
    EXPECT_EQ(8, selection().cpMin);
    command(ID_EDIT_FIND);
    EXPECT_TRUE(IsDlgButtonChecked(findDialogHandle(), rad2));  // "Down"
    findButton();  // from the start of the selection: the same match
    EXPECT_EQ(8, selection().cpMin);
    // The Find dialog stays open as the test ends: the answerer must still stop.
}

TEST_F(MainWindowTest, FontComesFromTheUserSettingsWithDefaultsPerValue) {
    const struct {
        DWORD faceType;  // REG_NONE: no "fontface" value
        std::string face;
        DWORD size;  // 0: no "fontsize" value
        const char* expectedFace;
        int expectedPoints;
    } cases[] = {
        {REG_NONE, "", 0, "Courier New", 10},
        {REG_NONE, "", 14, "Courier New", 14},
        {REG_SZ, std::string("Consolas\0", 9), 12, "Consolas", 12},
        {REG_BINARY, std::string(260, 'x'), 14, "Courier New", 14},    // no room for a terminator
        {REG_SZ, std::string(300, 'y') + '\0', 0, "Courier New", 10},  // longer than the buffer
    };
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    for (const auto& c : cases) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kFontSettingsKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        if (c.faceType != REG_NONE)
            RegSetValueExA(key, "fontface", 0, c.faceType,
                           reinterpret_cast<const BYTE*>(c.face.data()), c.face.size());
        if (c.size)
            RegSetValueExA(key, "fontsize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&c.size),
                           4);
        MainWindow& main = open();
        RegDeleteValueA(key, "fontsize");
        RegDeleteValueA(key, "fontface");
        RegCloseKey(key);
        CHARFORMATA format{};
        format.cbSize = sizeof(format);
        SendMessageA(main.editor(), EM_GETCHARFORMAT, SCF_DEFAULT,
                     reinterpret_cast<LPARAM>(&format));
        EXPECT_STREQ(c.expectedFace, format.szFaceName);
        EXPECT_EQ(-fontHeight(c.expectedPoints, dpi) * 1440 / dpi, format.yHeight);
        EXPECT_FALSE(format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT));
    }
}

}  // namespace
