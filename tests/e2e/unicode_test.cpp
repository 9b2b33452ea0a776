// Text in any script through the real editor, on a note from elsewhere: sealed as quillox-note
// seals on Linux (UTF-8 with its flag) on another build, moved onto this one by its reimage. Then
// Unicode key events, paste, Find, save and reopen, import and export, and the form each save
// stores (code-page bytes where they hold the text, else UTF-8 with NOTE_UTF8).
#include "e2e_fixture.h"
#include "storage/file_end_data.h"

namespace e2e {
namespace {

const std::string kOld = "Gr\374\337e";  // "Grüße" in the code page

class Unicode : public QuilloxTest {};

TEST_F(Unicode, TypedPastedFoundImportedAndExportedTextKeepsEveryCharacter) {
    // Made on the test build of the editor, which stands in for an older build: other bytes.
    const std::string older = path("older.exe");
    copyFile(windowsPath(QUILLOX_FAULTY_EXE), older);
    const std::string note = makeNote("note.exe", "Grüße", "pw", {}, NOTE_UTF8, older);
    // The bytes of a reimage are the tool's tests'; here the note must open in this editor.
    runTool("reimage --image " + inQuotes(editorExe()) + " " + inQuotes(note));
    ASSERT_EQ(readFile(editorExe()).size(), FileEndData(note, true).offset());

    bool utf8 = true;
    const std::string full = " Привет 中文";
    const Road opened = finish(note, "", [&](EditorWindow& window) {
        // Latin-1 typed as Unicode events fits the code page: the old form, bytes and all, no flag.
        appendText(window, ", café", "Grüße, café");
        save(window);
        EXPECT_EQ(kOld + ", caf\xE9", readNote(note, "pw", &utf8));
        EXPECT_FALSE(utf8);

        // Cyrillic, CJK, an emoji (a surrogate pair) and a best-fit symbol do not: UTF-8 and the
        // flag.
        const std::string typed = "Grüße, café Привет 中文 😀 ∑";
        appendText(window, " Привет 中文 😀 ∑", typed);
        save(window);
        EXPECT_EQ(typed, readNote(note, "pw", &utf8));
        EXPECT_TRUE(utf8);

        // Copied and pasted inside the editor's process: a copy from another process would pass
        // through Wine's X11 clipboard bridge, which can lose non-ASCII characters. Each step waits
        // for the one before: a posted command would overtake a sent message. (Wine's control
        // replaces the whole text on a paste, so the paste goes over a selection of all of it.)
        const auto send = [](HWND to, UINT message, WPARAM wParam, LPARAM lParam) {
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(to, message, wParam, lParam, SMTO_ABORTIFHUNG, kPatience, &answer);
        };
        send(window.editor, EM_SETSEL, 11, 21);
        send(window.window, WM_COMMAND, ID_EDIT_COPY, 0);
        send(window.editor, EM_SETSEL, 0, -1);
        send(window.window, WM_COMMAND, ID_EDIT_PASTE, 0);
        waitUntil([&] { return window.text() == full; }, "the Unicode paste");
        save(window);

        pressChord(window.window, {VK_CONTROL, VK_HOME});
        pressChord(window.window, {VK_CONTROL, 'F'});
        HWND find = waitWindow(dialogTitled("Find", window.pid));
        setText(control(find, 1152, "Edit"),
                "Привет");  // edt1 of the system's Find dialog
        pressButton(find, IDOK);
        waitUntil(
            [&] {
                const auto selection =
                    static_cast<DWORD>(SendMessageA(window.editor, EM_GETSEL, 0, 0));
                return selection == MAKELONG(1, 7);
            },
            "Find to select the Cyrillic word");
        pressButton(find, IDCANCEL);
        waitGone(find, "the Find dialog");
    });
    EXPECT_EQ("prompt|editor:Grüße|", opened.seen);
    EXPECT_EQ("0 0 0", opened.codes) << "the note, its copy, the erase run";

    // Reopened, every character is back; a second save keeps the form.
    const Road again = finish(note, "", [&](EditorWindow& reopened) {
        appendText(reopened, "x", full + "x");
        pressChord(reopened.window, {VK_BACK});
        waitUntil([&] { return reopened.text() == full; }, "the x to go");
        save(reopened);
        EXPECT_EQ(full, readNote(note, "pw", &utf8));
        EXPECT_TRUE(utf8);

        // Import decodes by the byte order mark or, without one, as UTF-8 or the code page; export
        // writes the code page where it holds the text, else UTF-8 with its mark.
        const std::string bom = "\xEF\xBB\xBF";
        const struct {
            std::string file, shown, exported;
        } cases[] = {
            {bom + "Привет\r\nмир", "Привет\r\nмир", bom + "Привет\r\nмир"},
            {std::string("\xFF\xFEZ\0\xFC\0=\xD8\0\xDE", 10), "Zü😀", bom + "Zü😀"},
            {std::string("\xFE\xFF\0c\0\xE9", 6), "cé", "c\xE9"},
            {"Grüße", "Grüße", kOld},
            {"caf\xE9 \x80", "café €", "caf\xE9 \x80"},
        };
        int n = 0;
        for (const auto& c : cases) {
            const std::string in = path("in" + std::to_string(n) + ".txt");
            const std::string out = path("out" + std::to_string(n++) + ".txt");
            writeFile(in, c.file);
            writeFile(out, std::string(40, '#'));  // longer than any export: it must go whole
            postCommand(reopened.window, ID_FILE_IMPORT_TEXT);
            chooseFile("Open", in, reopened.pid);
            waitUntil([&] { return reopened.text() == c.shown; }, "the import of " + c.shown);
            postCommand(reopened.window, ID_FILE_EXPORT_TEXT);
            chooseFile("Save As", out, reopened.pid);
            waitUntil([&] { return readFile(out) == bytesOf(c.exported); },
                      "the export of " + c.shown);
        }
        // A file another program holds fails either way and changes nothing.
        const std::string held = path("in0.txt");
        Handle holder(
            CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        for (const int command : {ID_FILE_IMPORT_TEXT, ID_FILE_EXPORT_TEXT}) {
            const bool importing = command == ID_FILE_IMPORT_TEXT;
            postCommand(reopened.window, command);
            chooseFile(importing ? "Open" : "Save As", held, reopened.pid);
            EXPECT_EQ(importing ? "Error loading file!" : "Error saving file!",
                      answerMessageBox(kErrorCaption, IDOK, reopened.pid));
        }
        holder.reset();
        EXPECT_EQ(bytesOf(cases[0].file), readFile(held));
        EXPECT_EQ("café €", reopened.text());
    });  // closed with No to the question
    EXPECT_EQ("prompt|editor:" + full + "|Do you want to save modifications before exiting?|",
              again.seen);
    EXPECT_EQ("0 0 0", again.codes);
    EXPECT_EQ(10u, listFiles(folder(), "*.txt").size()) << "files left by import or export";
    EXPECT_EQ(full, readNote(note, "pw")) << "No leaves the note as saved";
}

}  // namespace
}  // namespace e2e
