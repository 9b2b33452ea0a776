// Notes in awkward places and damaged notes, opened and saved through the editor: odd and long
// paths, a read-only file, a missing folder, a file another process holds, two editors on one
// note, a text beyond the editor's limit and bytes broken in the trailer, header and payload.
#include "driver_keyboard.h"
#include "e2e_fixture.h"

#include "storage/file_end_data.h"

#include <algorithm>
#include <iostream>

namespace e2e {
namespace {

constexpr const char* kSaveError = "Error saving file!";

class HostileFiles : public QuilloxTest {
protected:

    void saveWithCtrlS(EditorWindow& window) {
        pressChord(window.window, {VK_CONTROL, 'S'});
        waitUntil([&] { return !window.modified(); }, "Ctrl+S to clear the modified flag");
    }

    // A copy of the editor for "-edit" runs: their erase at the end deletes the executable that
    // ran, and the fixture's editor must stay for the notes made later.
    Process& startEditCopy(const std::string& note, const std::string& name) {
        const std::string exe = path(name);
        copyFile(editorExe(), exe);
        return family().start(exe, "-edit:\"" + note + "\"", name + " on " + inQuotes(note));
    }

    // The folder name that makes folder\name exactly `length` characters long.
    std::string pathOfLength(std::size_t length, const std::string& name) {
        const std::string base = folder() + "\\";
        std::string padding(length - base.size() - 1 - name.size(), 'd');
        return base + padding + "\\" + name;
    }
};

// Where `after` first departs from `before`, with the bytes around it escaped.
std::string firstDifference(const std::string& before, const std::string& after) {
    const auto differ = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
    const std::size_t at = static_cast<std::size_t>(differ.first - before.begin());
    auto around = [&](const std::string& text) {
        std::string shown;
        for (char c : text.substr(at > 8 ? at - 8 : 0, 16))
            shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
        return inQuotes(shown);
    };
    return "from byte " + std::to_string(at) + ": " + around(before) + " became " + around(after);
}

// Characters above 127 that the ANSI code page of the session can hold.
std::string highAnsiText() {
    return GetACP() == CP_UTF8 ? "caf\xC3\xA9 \xC3\xBC" : "caf\xE9 \xFC";
}

TEST_F(HostileFiles, OddAndLongPathsOpenAndSave) {
    const std::string high = highAnsiText();
    std::cout << "[ note     ] ANSI code page of the session: " << GetACP() << "\n";
    const std::string longest = pathOfLength(259, "n.exe");
    makeFolder(longest.substr(0, longest.rfind('\\')));
    makeFolder(path("with blanks"));
    makeFolder(path(high));
    const std::string notes[] = {path("with blanks\\my  note  .exe"),
                                 path(high + "\\" + high + ".exe"), longest};
    for (const std::string& name : notes) {
        SCOPED_TRACE(name + " (" + std::to_string(name.size()) + " characters, code page " +
                     std::to_string(GetACP()) + ")");
        const std::string note = makeNote(name.substr(folder().size() + 1), "body", "pw");
        OpenedNote opened = openNote(note, "pw");
        appendText(opened.editor, "+", "body+");
        saveWithCtrlS(opened.editor);
        closeAndExpectCleanEnd(opened);
        EXPECT_EQ("body+", readNote(note, "pw"));
        const std::string folderOfNote = note.substr(0, note.rfind('\\'));
        EXPECT_EQ(std::vector<std::string>{baseName(note)}, listFiles(folderOfNote, "*"));
    }
}

// Paths beyond 259 characters, the note written through the wide functions: the editor either
// refuses it with its message or, where the narrow functions reach it, opens and saves it whole.
TEST_F(HostileFiles, PathsBeyondTheLimitAreRefusedCleanly) {
    const std::string source = makeNote("source.exe", "far away", "pw");
    for (std::size_t length : {260u, 261u}) {
        const std::string note = pathOfLength(length, "n.exe");
        const std::wstring wide = L"\\\\?\\" + std::wstring(note.begin(), note.end());
        CreateDirectoryW(wide.substr(0, wide.rfind(L'\\')).c_str(), nullptr);
        const std::wstring wideSource(source.begin(), source.end());
        ASSERT_TRUE(CopyFileW(wideSource.c_str(), wide.c_str(), FALSE)) << length;

        Process& editor = startEditCopy(note, "copy" + std::to_string(length) + ".exe");
        WindowQuery prompt = dialogTitled(kPromptTitle);
        WindowQuery error = dialogTitled(kErrorCaption);
        prompt.pid = error.pid = editor.pid();
        waitUntil([&] { return !editor.running() || findWindow(error) || findWindow(prompt); },
                  "a refusal of the long path");
        if (HWND ask = findWindow(prompt)) {
            // The session's narrow file functions reach the path: then the note must open and
            // save whole, or refuse the save and keep its old content.
            submitPassphrase(ask, "pw");
            EditorWindow window = waitEditor(mainTitle(note), editor.pid());
            EXPECT_EQ("far away", window.text());
            pressChord(window.window, {VK_CONTROL, VK_END});
            typeText(window.window, "!");
            waitUntil([&] { return window.text() == "far away!"; }, "the typed text");
            pressChord(window.window, {VK_CONTROL, 'S'});
            waitUntil([&] { return findWindow(error) || !window.modified(); }, "the save");
            const bool refused = findWindow(error) != nullptr;
            if (refused) {
                EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, editor.pid()).text);
                EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, editor.pid()).text);
            }
            std::cout << "[ note     ] a note path of " << length << " characters opens; Save "
                      << (refused ? "is refused" : "goes through") << "\n";
            postClose(window.window);
            if (refused) answerMessageBox(kQuestionCaption, IDNO, editor.pid());
            EXPECT_EQ(0u, editor.waitExit(kPatience)) << length;
            EXPECT_EQ(refused ? "far away" : "far away!", readNote(note, "pw"));
        } else {
            EXPECT_EQ("Error loading file!",
                      answerMessageBox(kErrorCaption, IDOK, editor.pid()).text)
                << length;
            std::cout << "[ note     ] a note path of " << length << " characters is refused\n";
            EXPECT_EQ(kExitFailure, editor.waitExit(kPatience)) << length;
        }
        family().waitAllEnded(kPatience);
        DeleteFileW(wide.c_str());
        RemoveDirectoryW(wide.substr(0, wide.rfind(L'\\')).c_str());
    }
}

TEST_F(HostileFiles, ReadOnlyNoteFileIsSavedWithoutLoss) {
    const std::string note = makeNote("note.exe", "kept", "pw");
    ASSERT_TRUE(SetFileAttributesA(note.c_str(), FILE_ATTRIBUTE_READONLY));
    OpenedNote opened = openNote(note, "pw");
    appendText(opened.editor, " and more", "kept and more");
    saveWithCtrlS(opened.editor);
    expectNoWindow(dialogTitled(kErrorCaption));
    closeAndExpectCleanEnd(opened);
    EXPECT_EQ("kept and more", readNote(note, "pw"));
    const DWORD attributes = GetFileAttributesA(note.c_str());
    std::cout << "[ note     ] read-only note after Save: read-only attribute "
              << ((attributes & FILE_ATTRIBUTE_READONLY) ? "kept" : "cleared") << "\n";
    EXPECT_EQ((std::vector<std::string>{"note.exe", "quillox.exe"}), listFiles(folder(), "*"));
}

TEST_F(HostileFiles, SaveAsIntoAMissingFolderFails) {
    const std::string note = makeNote("note.exe", "stay", "pw");
    OpenedNote opened = openNote(note, "pw");
    appendText(opened.editor, "!", "stay!");
    const std::string target = path("missing\\new.exe");
    postCommand(opened.editor.window, CmdSaveAs);
    WindowQuery dialogQuery = dialogTitled("Save As");
    dialogQuery.pid = opened.editor.pid;
    HWND dialog = waitWindow(dialogQuery);
    for (HWND child = FindWindowExA(dialog, nullptr, nullptr, nullptr); child;
         child = FindWindowExA(dialog, child, nullptr, nullptr)) {
        if (GetDlgCtrlID(child) == 1148)  // the file name field
            setText(className(child) == "Edit" ? child : descendant(child, "Edit"), target);
    }
    pressButton(dialog, IDOK);
    // The dialog itself may refuse a path whose folder is missing (a box of its own over it);
    // otherwise the save must.
    WindowQuery error = dialogTitled(kErrorCaption);
    error.pid = opened.editor.pid;
    WindowQuery anyDialog;
    anyDialog.className = kDialogClass;
    anyDialog.pid = opened.editor.pid;
    waitUntil([&] { return findWindow(error) || findWindows(anyDialog).size() > 1; },
              "a refusal of the missing folder");
    if (findWindow(error)) {
        EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, opened.editor.pid).text);
        EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, opened.editor.pid).text);
    } else {
        std::cout << "[ note     ] the Save As dialog refuses the missing folder itself\n";
        for (HWND box : findWindows(anyDialog)) {
            if (box == dialog) continue;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(300);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        waitGone(dialog, "the Save As dialog");
    }
    EXPECT_FALSE(fileExists(path("missing")));
    EXPECT_EQ(mainTitle(note), opened.editor.title());
    EXPECT_TRUE(opened.editor.modified());
    postClose(opened.editor.window);
    EXPECT_EQ("Do you want to save modifications before exiting?",
              answerMessageBox(kQuestionCaption, IDNO, opened.editor.pid).text);
    expectCleanEnd(opened);
    EXPECT_EQ("stay", readNote(note, "pw"));
}

TEST_F(HostileFiles, SaveOverAFileAnotherProcessHoldsFailsCleanly) {
    const std::string note = makeNote("note.exe", "held", "pw");
    const FileBytes before = readFile(note);
    OpenedNote opened = openNote(note, "pw");
    appendText(opened.editor, " fast", "held fast");
    {
        Handle holder(
            CreateFileA(note.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        pressChord(opened.editor.window, {VK_CONTROL, 'S'});
        EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, opened.editor.pid).text);
        EXPECT_EQ(kSaveError, answerMessageBox(kErrorCaption, IDOK, opened.editor.pid).text);
        EXPECT_TRUE(opened.editor.modified());
        EXPECT_EQ((std::vector<std::string>{"note.exe", "quillox.exe"}), listFiles(folder(), "*"));
    }
    EXPECT_TRUE(before == readFile(note)) << "the held note is unchanged";
    saveWithCtrlS(opened.editor);  // released: the same save goes through
    closeAndExpectCleanEnd(opened);
    EXPECT_EQ("held fast", readNote(note, "pw"));
}

TEST_F(HostileFiles, TwoEditorsOnOneNoteLastSaveWins) {
    const std::string note = makeNote("note.exe", "shared", "pw");
    Process& first = startEditCopy(note, "first.exe");
    submitPassphrase(waitPrompt(first.pid()), "pw");
    EditorWindow a = waitEditor(mainTitle(note), first.pid());
    Process& second = startEditCopy(note, "second.exe");
    submitPassphrase(waitPrompt(second.pid()), "pw");
    EditorWindow b = waitEditor(mainTitle(note), second.pid());

    appendText(a, " by A", "shared by A");
    appendText(b, " by B", "shared by B");
    saveWithCtrlS(a);
    EXPECT_EQ("shared by A", readNote(note, "pw"));
    saveWithCtrlS(b);
    EXPECT_EQ("shared by B", readNote(note, "pw"));
    appendText(a, "!", "shared by A!");
    saveWithCtrlS(a);
    EXPECT_EQ("shared by A!", readNote(note, "pw"));
    EXPECT_TRUE(IsWindowVisible(a.window) && IsWindowVisible(b.window));
    for (HWND window : {a.window, b.window}) postClose(window);
    EXPECT_EQ(0u, first.waitExit(kPatience));
    EXPECT_EQ(0u, second.waitExit(kPatience));
    family().waitAllEnded(kPatience);
    EXPECT_EQ("shared by A!", readNote(note, "pw"));
}

// The editor holds 4,194,304 characters; a longer note sealed by the storage code must not be
// cut without a word when it is saved again.
TEST_F(HostileFiles, NoteBeyondTheEditorLimitIsNotCutSilently) {
    std::string text;
    for (int line = 0; text.size() < 4194304 + 1000; ++line)
        text += "line " + std::to_string(line) + " of a long note\r\n";
    const std::string note = makeNote("big.exe", text, "pw");
    OpenedNote opened = startOpening(note);
    submitPassphrase(waitPrompt(), "pw");
    WindowQuery anyBox = dialogTitled(kQuestionCaption);
    WindowQuery errorBox = dialogTitled(kErrorCaption);
    WindowQuery main;
    main.className = kMainClass;
    waitUntil([&] { return findWindow(anyBox) || findWindow(errorBox) || findWindow(main); },
              "the big note to open or be refused", 60000);
    for (const WindowQuery& query : {anyBox, errorBox}) {
        if (HWND box = findWindow(query)) {
            std::cout << "[ note     ] opening " << text.size()
                      << " characters: " << inQuotes(controlText(control(box, 0xFFFF))) << "\n";
            pressButton(box, IDOK);
            waitGone(box, "the box about the big note");
        }
    }
    Sleep(500);
    if (HWND window = findWindow(main)) {
        opened.editor = waitEditor(mainTitle(note));
        const std::size_t shown =
            static_cast<std::size_t>(SendMessageA(opened.editor.editor, WM_GETTEXTLENGTH, 0, 0));
        std::cout << "[ note     ] the editor shows " << shown << " of " << text.size()
                  << " characters; read-only: "
                  << ((GetWindowLongA(opened.editor.editor, GWL_STYLE) & ES_READONLY) ? "yes"
                                                                                      : "no")
                  << "\n";
        pressChord(window, {VK_CONTROL, 'S'});
        Sleep(3000);
        for (HWND box = findWindow(errorBox); box; box = findWindow(errorBox)) {
            std::cout << "[ note     ] Save: " << inQuotes(controlText(control(box, 0xFFFF)))
                      << "\n";
            pressButton(box, IDOK);
            waitGone(box, "the error box");
        }
        postClose(window);
        if (HWND question = findWindow(anyBox)) pressButton(question, IDNO);
        family().waitAllEnded(60000);
    }
    // Compared as sizes and a flag: GoogleTest's line diff of two 4 MiB texts would not end.
    const std::string saved = readNote(note, "pw");
    EXPECT_EQ(text.size(), saved.size()) << "the note lost text";
    EXPECT_TRUE(text == saved) << "the note's text changes " << firstDifference(text, saved);
}

// Lines of every length from 1 to 97 characters put a line end on each side of every chunk
// boundary the text travels in between the document and the control: opening and saving must
// give back the same bytes.
TEST_F(HostileFiles, LineEndsSurviveOpenAndSaveWhereverTheyFall) {
    std::string text;
    for (int length = 1; text.size() < 200000; length = length % 97 + 1)
        text += std::string(static_cast<std::size_t>(length), 'a' + length % 26) + "\r\n";
    const std::string note = makeNote("lines.exe", text, "pw");
    OpenedNote opened = openNote(note, "pw");
    const std::string shown = opened.editor.text();
    EXPECT_EQ(text.size(), shown.size()) << "characters in the editor";
    EXPECT_TRUE(text == shown) << "the editor's text differs " << firstDifference(text, shown);
    // Every save writes a fresh IV, so the file changes even for the same text.
    const FileBytes before = readFile(note);
    postCommand(opened.editor.window, CmdSave);
    waitUntil([&] { return readFile(note) != before; }, "the save");
    closeAndExpectCleanEnd(opened);
    const std::string saved = readNote(note, "pw");
    EXPECT_EQ(text.size(), saved.size()) << "bytes saved";
    EXPECT_TRUE(text == saved) << "open and save changed the note " << firstDifference(text, saved);
}

// Damage at a sample of positions: every trailer byte, the header's fields, the payload's first,
// middle and last bytes. Each must end in a message, a prompt or a clean exit.
TEST_F(HostileFiles, DamagedNotesNeverCrashOrHang) {
    const std::string note = makeNote("good.exe", std::string(100, 'q'), "pw");
    const FileBytes good = readFile(note);
    FileEndData block(note, true);
    ASSERT_TRUE(block.hasData());
    const std::size_t record = block.offset();
    const std::size_t trailer = good.size() - 8;
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < 8; ++i) positions.push_back(trailer + i);
    for (std::size_t at : {0, 7, 8, 39, 40, 55, 56, 59, 60, 63, 64, 68, 72})
        positions.push_back(record + at);
    const std::size_t payload = record + NoteHeader::kSize;
    for (std::size_t at : {payload, payload + 50, trailer - 1}) positions.push_back(at);

    WindowQuery error = dialogTitled(kErrorCaption);
    WindowQuery prompt = dialogTitled(kPromptTitle);
    WindowQuery main;
    main.className = kMainClass;
    int n = 0;
    for (std::size_t at : positions) {
        SCOPED_TRACE("byte " + std::to_string(at) + " of " + std::to_string(good.size()));
        FileBytes bad = good;
        bad[at] ^= 0x5A;
        const std::string damaged = path("damaged" + std::to_string(++n) + ".exe");
        writeFile(damaged, bad);
        Process& editor = startEditCopy(damaged, "edit" + std::to_string(n) + ".exe");
        error.pid = prompt.pid = main.pid = editor.pid();
        std::string seen;
        for (int step = 0; step < 6 && editor.running(); ++step) {
            waitUntil(
                [&] {
                    return !editor.running() || findWindow(error) || findWindow(prompt) ||
                           findWindow(main);
                },
                "a message, a prompt, a window or the end");
            if (HWND box = findWindow(error)) {
                const std::string text = controlText(control(box, 0xFFFF));
                EXPECT_TRUE(text == "Error loading file!" || text == "Invalid passphrase!") << text;
                seen += "[" + text + "]";
                pressButton(box, IDOK);
                waitGone(box, "the error box");
            } else if (HWND ask = findWindow(prompt)) {
                // Once with the right passphrase; a second prompt is cancelled.
                if (seen.find("prompt") == std::string::npos) {
                    seen += "[prompt]";
                    submitPassphrase(ask, "pw");
                } else {
                    pressButton(ask, IdPassphraseCancel);
                    waitGone(ask, "the prompt");
                }
            } else if (HWND window = findWindow(main)) {
                seen += "[editor]";
                postClose(window);
                waitGone(window, "the editor of a damaged note");
            }
        }
        const DWORD code = editor.waitExit(kPatience);
        EXPECT_TRUE(code == 0 || code == kExitFailure) << "exit code " << code;
        std::cout << "[ damage   ] byte " << at << ": " << seen << " exit "
                  << static_cast<int>(code) << "\n";
    }
    family().waitAllEnded(kPatience);
}

}  // namespace
}  // namespace e2e
