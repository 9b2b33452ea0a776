// Text in any script through the real editor: Unicode key events, paste, Find, save and reopen,
// import and export, and the form each note stores (code-page bytes, or UTF-8 with NOTE_UTF8).
#include "e2e_fixture.h"

#include "storage/text_encoding.h"

#include <vector>

namespace e2e {
namespace {

constexpr int kFindWhat = 1152;  // edt1 of the system's Find dialog

std::string utf8(std::u16string_view text) {
    return utf16ToUtf8(text);
}

// The control's text as UTF-16, read across processes.
std::string wideText(HWND edit) {
    DWORD_PTR length = 0, got = 0;
    SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kPatience, &length);
    std::u16string text(length + 1, u'\0');
    SendMessageTimeoutW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_ABORTIFHUNG, kPatience, &got);
    text.resize(std::min<std::size_t>(got, length));
    return utf8(text);
}

// Each UTF-16 unit as a Unicode key event, as input methods and emoji pickers deliver them.
void typeUnicode(HWND window, std::u16string_view text) {
    bringToFront(window);
    std::vector<INPUT> inputs;
    for (char16_t unit : text) {
        for (DWORD up : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = unit;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(input);
        }
    }
    ASSERT_EQ(inputs.size(),
              SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)));
}

struct Stored {
    std::string bytes;
    bool utf8;
};
Stored readStored(const std::string& note, const std::string& passphrase) {
    NoteDocument document;
    if (!document.load(note)) throw DriverError("the note does not load: " + note);
    document.setkey(passphrase.c_str());
    Stored stored{{}, (document.header.flags & NOTE_UTF8) != 0};
    if (!document.gettext(stored.bytes)) throw DriverError("wrong passphrase for " + note);
    return stored;
}

void save(EditorWindow& window) {
    pressChord(window.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return !window.modified(); }, "Ctrl+S to clear the modified flag");
}

class Unicode : public QuilloxTest {};

TEST_F(Unicode, TypedPastedAndFoundTextIsSavedAndReopenedAsTyped) {
    // A note as every earlier editor wrote it: code-page bytes, no flag.
    const std::string note = makeNote("note.exe",
                                      "Gr\xFC\xDF"
                                      "e",
                                      "pw");
    OpenedNote opened = openNote(note, "pw");
    EditorWindow& window = opened.editor;
    EXPECT_EQ("Grüße", wideText(window.editor));

    // Latin-1 typed as Unicode events still fits the code page: the old form, bytes and all.
    pressChord(window.window, {VK_CONTROL, VK_END});
    typeUnicode(window.window, u", café");
    waitUntil([&] { return wideText(window.editor) == "Grüße, café"; }, "the Latin-1 typing");
    save(window);
    Stored stored = readStored(note, "pw");
    EXPECT_EQ(
        "Gr\xFC\xDF"
        "e, caf\xE9",
        stored.bytes);
    EXPECT_FALSE(stored.utf8);

    // Cyrillic, CJK, an emoji (a surrogate pair) and a best-fit symbol do not: UTF-8 and the flag.
    const std::u16string wide = u" Привет 中文 😀 ∑";
    typeUnicode(window.window, wide);
    const std::string typed = "Grüße, café" + utf8(wide);
    waitUntil([&] { return wideText(window.editor) == typed; }, "the Unicode typing");
    save(window);
    stored = readStored(note, "pw");
    EXPECT_EQ(typed, stored.bytes);
    EXPECT_TRUE(stored.utf8);

    // Copied and pasted inside the editor's process: a copy from another process would pass
    // through Wine's X11 clipboard bridge, which can lose non-ASCII characters. Each step waits
    // for the one before: a posted command would overtake a sent message. (Wine's control
    // replaces the whole text on a paste, so the paste goes over a selection of all of it.)
    const auto send = [](HWND to, UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(to, message, wParam, lParam, SMTO_ABORTIFHUNG, kPatience, &answer);
    };
    send(window.editor, EM_SETSEL, 11, 21);
    send(window.window, WM_COMMAND, CmdCopy, 0);
    send(window.editor, EM_SETSEL, 0, -1);
    send(window.window, WM_COMMAND, CmdPaste, 0);
    const std::string full = " Привет 中文";
    waitUntil([&] { return wideText(window.editor) == full; }, "the Unicode paste");
    save(window);

    pressChord(window.window, {VK_CONTROL, VK_HOME});
    pressChord(window.window, {VK_CONTROL, 'F'});
    WindowQuery findQuery = dialogTitled("Find");
    findQuery.pid = window.pid;
    HWND find = waitWindow(findQuery);
    SendMessageW(control(find, kFindWhat, "Edit"), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"Привет"));
    pressButton(find, IDOK);
    waitUntil([&] { return editSelection(window.editor) == std::make_pair(1, 7); },
              "Find to select the Cyrillic word");
    pressButton(find, IDCANCEL);
    waitGone(find, "the Find dialog");
    closeAndExpectCleanEnd(opened);

    // Reopened, every character is back; a second save keeps the form.
    OpenedNote again = openNote(note, "pw");
    EXPECT_EQ(full, wideText(again.editor.editor));
    pressChord(again.editor.window, {VK_CONTROL, VK_END});
    typeUnicode(again.editor.window, u"x");
    waitUntil([&] { return wideText(again.editor.editor) == full + "x"; }, "the typed x");
    pressKey(again.editor.window, VK_BACK);
    waitUntil([&] { return wideText(again.editor.editor) == full; }, "the x to go");
    save(again.editor);
    stored = readStored(note, "pw");
    EXPECT_EQ(full, stored.bytes);
    EXPECT_TRUE(stored.utf8);
    closeAndExpectCleanEnd(again);
}

TEST_F(Unicode, ImportDecodesByMarkOrBytesAndExportWritesAnsiOrUtf8) {
    struct Case {
        std::string file, shown, exported;
    };
    const std::string bom = "\xEF\xBB\xBF";
    const Case cases[] = {
        {bom + "Привет\r\nмир", "Привет\r\nмир", bom + "Привет\r\nмир"},
        {std::string("\xFF\xFEZ\0\xFC\0=\xD8\0\xDE", 10), "Zü😀", bom + "Zü😀"},
        {std::string("\xFE\xFF\0c\0\xE9", 6), "cé", "c\xE9"},
        {"Grüße", "Grüße",
         "Gr\xFC\xDF"
         "e"},
        {"caf\xE9 \x80", "café €", "caf\xE9 \x80"},
    };
    Process& editor = startEditor();
    EditorWindow window = waitEditor(mainTitle(kNewDocument), editor.pid());
    int n = 0;
    for (const Case& c : cases) {
        const std::string in = path("in" + std::to_string(n) + ".txt");
        const std::string out = path("out" + std::to_string(n++) + ".txt");
        writeFile(in, FileBytes(c.file.begin(), c.file.end()));
        postCommand(window.window, CmdImportText);
        chooseFile("Open", in, window.pid);
        waitUntil([&] { return wideText(window.editor) == c.shown; }, "the import of " + c.shown);
        postCommand(window.window, CmdExportText);
        chooseFile("Save As", out, window.pid);
        waitUntil([&] { return fileExists(out); }, "the export of " + c.shown);
        const FileBytes exported = readFile(out);
        EXPECT_EQ(c.exported, std::string(exported.begin(), exported.end()));
    }
    postClose(window.window);
    answerMessageBox(kQuestionCaption, IDNO, window.pid);
    EXPECT_EQ(0u, editor.waitExit(kPatience));
}

// What quillox-note's seal stores for a UTF-8 text file on Linux.
TEST_F(Unicode, AUtf8NoteOpensWithEveryCharacter) {
    const std::string note = makeNote("sealed.exe",
                                      "Gr\xC3\xBC\xC3\x9F"
                                      "e",
                                      "pw", {}, NOTE_UTF8);
    OpenedNote opened = openNote(note, "pw");
    EXPECT_EQ("Grüße", wideText(opened.editor.editor));
    closeAndExpectCleanEnd(opened);
}

TEST_F(Unicode, ANotePathOutsideTheCodePageEndsWithAPlainMessage) {
    const std::string note = makeNote("note.exe", "text", "pw");
    const std::wstring moved = std::wstring(folder().begin(), folder().end()) + L"\\Привет.exe";
    // The fixture's narrow clean-up cannot name this file: it is removed here, whatever happens.
    struct Remover {
        const std::wstring& path;
        ~Remover() {  // the ended process's image may stay locked for a moment
            for (int i = 0; i < 50 && !DeleteFileW(path.c_str()); ++i) Sleep(100);
        }
    } remover{moved};
    ASSERT_TRUE(MoveFileExW(std::wstring(note.begin(), note.end()).c_str(), moved.c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + moved + L"\"";
    ASSERT_TRUE(CreateProcessW(moved.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    Handle process(info.hProcess), thread(info.hThread);
    const std::string text = answerMessageBox(kErrorCaption, IDOK, info.dwProcessId).text;
    EXPECT_NE(std::string::npos, text.find("Move or rename the note")) << text;
    if (WaitForSingleObject(process.get(), kPatience) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 1);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(kExitFailure, code);
    EXPECT_TRUE(tempCopies().empty()) << "no copy of another file name was attempted";
}

}  // namespace
}  // namespace e2e
