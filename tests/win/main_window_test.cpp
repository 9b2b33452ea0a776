// The editor window in this process: what the note's header and the user's font settings make of
// it, the roads of Save and Save As, the read-only state, and searching.
#include "editor/main_window.h"

#include <commdlg.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include "base/app_state.h"
#include "box_answerer.h"
#include "driver.h"
#include "editor/find.h"
#include "editor/window_rules.h"

namespace {

using namespace e2e;
using Boxes = std::vector<std::string>;

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        appState().instance = GetModuleHandleA(nullptr);
        char module[MAX_PATH] = {};
        appState().modulePath.assign(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
        appState().findMessage = RegisterWindowMessageA(FINDMSGSTRINGA);
        LoadLibraryA("RichEd20.dll");
    }
    MainWindow& open(std::uint32_t flags = 0) {
        auto doc = std::make_unique<NoteDocument>(appState().modulePath);
        doc->header.flags = flags;
        String noText;
        window_ = std::make_unique<MainWindow>(std::move(doc), noText);
        return *window_;
    }
    void command(unsigned id) { SendMessageA(window_->window(), WM_COMMAND, id, 0); }
    bool modified() { return editModified(window_->editor()); }
    void setModified(bool on) { SendMessageA(window_->editor(), EM_SETMODIFY, on, 0); }
    bool readOnly() { return GetWindowLongPtrA(window_->editor(), GWL_STYLE) & ES_READONLY; }
    // The commands a read-only note must not offer are grayed, and only they.
    void expectGrayed(bool grayed) {
        for (unsigned id = 1; id <= 0xFFFF; ++id) {
            const UINT state = GetMenuState(GetMenu(window_->window()), id, MF_BYCOMMAND);
            if (state == 0xFFFFFFFFu) continue;  // no such command
            EXPECT_EQ(grayed && isReadOnlyCommand(id), (state & MF_GRAYED) != 0) << id;
        }
    }
    DWORD selection() { return SendMessageA(window_->editor(), EM_GETSEL, 0, 0); }

    ScratchDir folder_;
    std::unique_ptr<MainWindow> window_;
};

// Read-only with a font face and size set, maximized with neither (their rules: unit tests).
TEST_F(MainWindowTest, OpensAsTheHeaderAndTheFontSettingsSay) {
    const RECT desktop = windowRect(GetDesktopWindow());
    const DWORD points = 12;
    RegSetKeyValueA(HKEY_CURRENT_USER, kFontSettingsKey, "fontface", REG_SZ, "Consolas", 9);
    RegSetKeyValueA(HKEY_CURRENT_USER, kFontSettingsKey, "fontsize", REG_DWORD, &points, 4);
    for (const std::uint32_t flags : {kNoteReadOnly, kNoteMaximized}) {
        const bool readOnly = flags == kNoteReadOnly;
        MainWindow& main = open(flags);
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kFontSettingsKey, "fontface");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kFontSettingsKey, "fontsize");
        CHARFORMATA format{};
        format.cbSize = sizeof(format);
        SendMessageA(main.editor(), EM_GETCHARFORMAT, SCF_DEFAULT,
                     reinterpret_cast<LPARAM>(&format));
        EXPECT_STREQ(readOnly ? "Consolas" : "Courier New", format.szFaceName);
        EXPECT_NEAR(readOnly ? 240 : 200, format.yHeight, 10) << "twips, through whole pixels";

        expectGrayed(readOnly);
        EXPECT_EQ(!readOnly, IsZoomed(main.window()) != FALSE);
        const HWND bar = descendant(main.window(), "msctls_statusbar32");
        RECT client{}, editor = windowRect(main.editor()), status = windowRect(bar);
        GetClientRect(main.window(), &client);
        MapWindowPoints(nullptr, main.window(), reinterpret_cast<POINT*>(&editor), 2);
        MapWindowPoints(nullptr, main.window(), reinterpret_cast<POINT*>(&status), 2);
        EXPECT_EQ(client.bottom, status.bottom);
        client.bottom = status.top;
        EXPECT_TRUE(EqualRect(&client, &editor)) << "the editor fills the window above the bar";
        EXPECT_EQ(
            readOnly ? "Ln 1, Col 1|0 characters|ANSI|Read-only" : "Ln 1, Col 1|0 characters|ANSI",
            statusText(bar));
        const RECT own = windowRect(main.window());
        const POINT centred = {desktop.right / 2 - (own.right - own.left) / 2,
                               desktop.bottom / 2 - (own.bottom - own.top) / 2};
        EXPECT_TRUE(!readOnly || (own.left == centred.x && own.top == centred.y)) << own.left;
    }
    // Moved to a monitor of 192 DPI: the place suggested, the font made again for its pixels.
    MainWindow& main = open();
    RECT suggested{10, 20, 1290, 820};
    SendMessageW(main.window(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    const RECT moved = windowRect(main.window());
    EXPECT_TRUE(EqualRect(&suggested, &moved));
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    SendMessageA(main.editor(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_NEAR(400, format.yHeight, 20) << "10 points at 192 DPI, in twips of the 96-DPI screen";
}

// One window from a blank new document to a saved note, then made read-only, then new again.
TEST_F(MainWindowTest, SaveRoadsThenReadOnlyUntilNew) {
    const char* const kPass = "pass-Vq2!mZp7@Lw";
    const std::string taken = folder_ / "taken.exe", note = folder_ / "fresh.exe";
    writeFile(taken, "someone else's file");
    using B = BoxAnswerer;
    // cmb13: the file name field of the file dialogs.
    BoxAnswerer boxes(
        {B::press(IDOK), B::press(IDOK), B::press(IDOK, {{cmb13, note}}),
         B::press(IDC_PASSPHRASE_OK, {{IDC_PASSPHRASE, kPass}, {IDC_PASSPHRASE_REPEAT, kPass}}),
         B::press(IDOK, {{cmb13, taken}}), B::press(IDNO), B::press(IDYES), B::press(IDOK)});
    // Every box and dialog belongs to the main window.
    std::vector<HWND> owners;
    for (B::Answer& answer : boxes.answers)
        answer = [&owners, answer](HWND box) {
            owners.push_back(GetWindow(box, GW_OWNER));
            answer(box);
        };
    MainWindow& main = open();
    command(ID_FILE_SAVE);  // both refused: the editor is blank
    command(ID_FILE_SAVE_AS);
    main.setEditorText(u"typed into a blank editor");
    setModified(true);
    command(ID_FILE_SAVE);  // no file yet: Save As, and the passphrase asked
    EXPECT_FALSE(modified());
    NoteDocument saved;
    String content;
    ASSERT_TRUE(saved.load(note));
    saved.setKey(kPass);
    EXPECT_TRUE(saved.getText(content) && content == "typed into a blank editor");
    setModified(true);
    command(ID_FILE_SAVE_AS);  // over a file that is there, answered No
    EXPECT_EQ(bytesOf("someone else's file"), readFile(taken));
    EXPECT_TRUE(main.document().path == note && modified());

    // Made read-only with changes unsaved: a grayed command does nothing even from an
    // accelerator, and the save on closing is refused with the window kept.
    command(ID_FILE_MAKE_READONLY);
    EXPECT_EQ("Quillox version 1.3-beta1: " + note + " [read-only]", windowText(main.window()));
    EXPECT_TRUE(readOnly() && (main.document().header.flags & kNoteReadOnly));
    expectGrayed(true);
    command(ID_FILE_SAVE);
    command(ID_EDIT_SELECT_ALL);  // the control may count its final paragraph mark in
    EXPECT_TRUE(LOWORD(selection()) == 0 && HIWORD(selection()) >= 25);
    SendMessageA(main.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(main.window()) && modified()) << "a refused save keeps the window";
    const std::string refusal = "Quillox::error|I utterly refuse to save a blank Document :)";
    EXPECT_EQ((Boxes{refusal, refusal, "Save As|", "Quillox: Enter passphrase|", "Save As|",
                     "Quillox|File already exists - overwrite?",
                     "Quillox|Do you want to save modifications before exiting?",
                     "Quillox::error|Error saving file!\n\nFile is read-only."}),
              boxes.seen);
    EXPECT_EQ(std::vector<HWND>(boxes.seen.size(), main.window()), owners);

    setModified(false);
    command(ID_FILE_NEW);
    EXPECT_EQ("Quillox version 1.3-beta1: <new document>", windowText(main.window()));
    EXPECT_FALSE(readOnly() || (main.document().header.flags & kNoteReadOnly));
    EXPECT_TRUE(main.document().path.empty() && main.document().keySet &&
                controlText(main.editor()).empty());
    expectGrayed(false);
}

TEST_F(MainWindowTest, FindNextWalksTheMatchesAndStartsOverAfterTheLast) {
    BoxAnswerer boxes;
    MainWindow& main = open();
    main.setEditorText(u"cat dog cat bird cat");
    lstrcpyW(findState().findText, L"cat");
    SendMessageA(main.editor(), EM_SETSEL, 5, 5);  // a search starts at the caret
    command(ID_EDIT_FIND);
    SendMessageA(findDialogHandle(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(MAKELONG(8, 11), selection());
    for (const DWORD want : {MAKELONG(17, 20), MAKELONG(0, 0)}) {
        command(ID_EDIT_FIND_NEXT);
        EXPECT_EQ(want, selection());
    }
    EXPECT_EQ((Boxes{"Quillox|No more matches."}), boxes.seen);
    // Closed, the dialog leaves its text, options and position to Find Next.
    SendMessageA(findDialogHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(nullptr, findDialogHandle());
    command(ID_EDIT_FIND_NEXT);
    EXPECT_EQ(MAKELONG(0, 3), selection());
    command(ID_EDIT_FIND);
    EXPECT_TRUE(IsDlgButtonChecked(findDialogHandle(), rad2)) << "Down, for the next opening";
}

// Longer than the stretches the editor reads its lines in, with a line that runs across them: the
// status bar and Go To count the text's lines, also after an edit that keeps the length.
TEST_F(MainWindowTest, StatusBarAndGoToCountTheTextsLinesInALongText) {
    std::u16string text = std::u16string(20000, u'x') + u"\r\n\U0001F600b\r\n";
    for (int i = 0; i < 10000; ++i) text += u"ab\r\n";  // lines 3 to 10002, from 20005 on
    using B = BoxAnswerer;
    BoxAnswerer boxes(
        {B::press(IDOK, {{IDC_GO_TO_LINE, "10003"}}), B::press(IDOK, {{IDC_GO_TO_LINE, "10004"}})});
    MainWindow& main = open();
    main.setEditorText(text);  // in the control a line end is one character
    const HWND bar = descendant(main.window(), "msctls_statusbar32");
    const auto placeAt = [&](LONG caret) {
        SendMessageA(main.editor(), EM_SETSEL, caret, caret);
        const std::string status = statusText(bar);
        return status.substr(0, status.find('|'));
    };
    EXPECT_EQ("Ln 1, Col 20001", placeAt(20000));
    EXPECT_EQ("Ln 2, Col 4", placeAt(20004)) << "a surrogate pair is two columns";
    EXPECT_EQ("Ln 9718, Col 3", placeAt(49152)) << "20005 + 3 * 9715 + 2";
    command(ID_EDIT_GO_TO);
    EXPECT_EQ(MAKELONG(50005, 50005), selection());
    SendMessageA(main.editor(), EM_SETSEL, 20003, 20004);
    SendMessageW(main.editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r"));
    EXPECT_EQ("Ln 3, Col 1", placeAt(20004));
    command(ID_EDIT_GO_TO);
    EXPECT_EQ(MAKELONG(50005, 50005), selection());
    EXPECT_EQ((Boxes{"Go To Line|", "Go To Line|"}), boxes.seen) << "no line refused";
}

}  // namespace
