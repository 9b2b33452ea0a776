// Working sessions in the real editor, as a person has them, and saves that must not lose work.
#include <algorithm>
#include <functional>

#include "e2e_fixture.h"
#include "storage/file.h"
#include "storage/file_end_data.h"

namespace e2e {
namespace {

const char* const kNoteMarker = "ZQXNOTE-7731";
const char* const kTypedMarker = "ZQXTYPED-4419";
const char* const kImportMarker = "ZQXIMPORT-9902";
const char* const kFirst = "Kx93#vault-pass";
const char* const kSecond = "Np5521#harbor-pass";

const std::string kOld = "Gr\374\337e";  // "Grüße" in the code page
constexpr const char* kChanged =
    "This note was changed elsewhere since it was opened here (by another Quillox window, a sync "
    "tool or quillox-note).\n\nOverwrite those changes?";

class Session : public QuilloxTest {};

// From the start to a scan of the disk: relaunch through a temporary copy, wrong passphrases, the
// stored window size, line ends at every chunk boundary, Save, Save As, a new passphrase, import,
// the closing question, the copy's erase; then no file it could touch holds a secret in clear.
TEST_F(Session, WholeRoadLeavesNoPlaintextOnDisk) {
    // Lines of 1 to 97 characters put a line end on each side of every chunk boundary.
    std::string text = std::string(kNoteMarker) + "\r\n";
    for (int length = 1; text.size() < 200000; length = length % 97 + 1)
        text += std::string(static_cast<std::size_t>(length), 'a' + length % 26) + "\r\n";
    // At the path limit (259 characters), with blanks and two characters above 127, in UTF-8 as
    // every path inside the programs.
    const std::string name = "caf\xC3\xA9 \xC3\xBC my  note .exe";
    const std::string notes = path(std::string(257 - folder().size() - (name.size() - 2), 'd'));
    makeFolder(notes);
    const std::string note =
        makeNote(baseName(notes) + "\\" + name, text, kFirst, {600, 400, false});
    const std::string edited = text + " " + kTypedMarker, second = path("copy.exe");
    const std::string source = path("in.txt");  // in clear on purpose: kept out of the scan
    const std::string imported = std::string("imported\r\n") + kImportMarker;
    writeFile(source, imported);

    const Road road = finish(
        note, "",
        [&](EditorWindow& window) {
            // The note has ended; the window is its copy's, a bare image in the temporary folder.
            EXPECT_EQ(0u, family().members().front()->waitExit(kPatience));
            const std::string copy = tempDir() + tempCopies().at(0);
            EXPECT_TRUE(readFile(copy) == readFile(editorExe())) << "the copy is the bare image";
            EXPECT_EQ(0, _stricmp(Process(window.pid).imagePath().c_str(), copy.c_str()));
            EXPECT_TRUE(window.text() == text)
                << "the line ends changed on the way into the editor";
            const RECT shown = windowRect(window.window);
            EXPECT_EQ(600, shown.right - shown.left) << "the width the note stores";

            appendText(window, std::string(" ") + kTypedMarker, edited);
            save(window);
            NoteHeader header;
            EXPECT_TRUE(readNote(note, kFirst, &header) == edited) << "open and save changed it";
            EXPECT_EQ(600, header.windowWidth);
            EXPECT_EQ(400, header.windowHeight);

            // Save As without an extension gets ".exe", on the bare image the copy runs from.
            chooseFile(window, ID_FILE_SAVE_AS, path("copy"));
            waitUntil([&] { return windowText(window.window) == mainTitle(second); },
                      "the title of the Save As");
            EXPECT_EQ(readFile(editorExe()).size(), FileEndData(second, true).offset());

            // A mismatch keeps both fields to be corrected.
            postCommand(window.window, ID_FILE_SET_PASSPHRASE);
            const HWND dialog = waitWindow(dialogTitled("Quillox: Enter passphrase", window.pid));
            setText(control(dialog, IDC_PASSPHRASE), kSecond);
            setText(control(dialog, IDC_PASSPHRASE_REPEAT), "other");
            pressButton(dialog, IDC_PASSPHRASE_OK);
            EXPECT_EQ("Passphrases don't match", answerMessageBox(kErrorCaption, IDOK, window.pid));
            EXPECT_EQ("other", controlText(control(dialog, IDC_PASSPHRASE_REPEAT)));
            setText(control(dialog, IDC_PASSPHRASE_REPEAT), kSecond);
            pressButton(dialog, IDC_PASSPHRASE_OK);
            waitUntil([&] { return window.modified(); }, "the new passphrase to mark the text");
            EXPECT_TRUE(readNote(second, kFirst) == edited) << "nothing is written before the save";
            save(window);

            chooseFile(window, ID_FILE_IMPORT_TEXT, source);
            waitUntil([&] { return window.text() == imported; }, "the imported text");
            appendText(window, "!", imported + "!");
            postClose(window.window);
            EXPECT_EQ(kSaveQuestion, answerMessageBox(kQuestionCaption, IDCANCEL, window.pid));
            postCommand(window.window, ID_FILE_EXIT);
            EXPECT_EQ(kSaveQuestion, answerMessageBox(kQuestionCaption, IDYES, window.pid));
        },
        {"kx93#vault-pass", "", kSecond, kFirst}, CP_UTF8);
    const std::string wrong = "prompt|Invalid passphrase!|";
    EXPECT_EQ(wrong + wrong + wrong + "prompt|editor:" + text.substr(0, 100) + "|", road.seen);
    EXPECT_EQ("0 0 0", road.codes) << "the note, its copy, the erase run";
    EXPECT_TRUE(tempCopies().empty());
    EXPECT_EQ(imported + "!", readNote(second, kSecond));

    // Each secret as it is and in UTF-16; looked for in the session's folder, the users' folders
    // of the prefix (profiles, application data, their temporary folders) and its registry.
    std::vector<std::string> secrets;
    for (const std::string secret : {kNoteMarker, kTypedMarker, kImportMarker, kFirst, kSecond}) {
        const std::wstring utf16 = wide(secret);
        secrets.push_back(secret);
        secrets.emplace_back(reinterpret_cast<const char*>(utf16.data()), 2 * utf16.size());
    }
    std::vector<std::string> files;
    for (const std::string& name : listFiles(folder(), "*", true))
        if (path(name) != source) files.push_back(path(name));
    EXPECT_EQ(7u, files.size()) << "the two notes, the editor and the four planted libraries";
    ASSERT_TRUE(fileExists("C:\\users"));
    for (const std::string& name : listFiles("C:\\users", "*", true))
        files.push_back("C:\\users\\" + name);
    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    for (const std::string& hive : listFiles(windowsPath(prefix), "*.reg"))
        files.push_back(joinPath(windowsPath(prefix), hive));
    for (const std::string& file : files) {
        const Bytes content = readFile(file);
        for (const std::string& secret : secrets)
            EXPECT_TRUE(std::search(content.begin(), content.end(), secret.begin(), secret.end()) ==
                        content.end())
                << inQuotes(file) << " holds " << inQuotes(secret);
    }
}

// Text in any script on a note sealed elsewhere (UTF-8 with its flag, as quillox-note seals on
// Linux) on another build and reimaged onto this one; then Unicode key events, paste, Find, the
// form each save stores, reopening, import and export.
TEST_F(Session, TypedPastedFoundImportedAndExportedTextKeepsEveryCharacter) {
    // Made on the test build of the editor, which stands in for an older build: other bytes.
    const std::string note =
        makeNote("note.exe", "Grüße", "pw", {}, kNoteUtf8, windowsPath(QUILLOX_FAULTY_EXE));
    // The bytes of a reimage are the tool's tests'; here the note must open in this editor.
    runTool("reimage --image " + inQuotes(editorExe()) + " " + inQuotes(note));
    ASSERT_EQ(readFile(editorExe()).size(), FileEndData(note, true).offset());

    NoteHeader header;
    const std::string full = " Привет 中文";
    const Road opened = finish(note, "", [&](EditorWindow& window) {
        // Latin-1 typed as Unicode events fits the code page: the old form, bytes and all, no flag.
        appendText(window, ", café", "Grüße, café");
        save(window);
        EXPECT_EQ(kOld + ", caf\xE9", readNote(note, "pw", &header));
        EXPECT_FALSE(header.flags & kNoteUtf8);

        // Cyrillic, CJK, an emoji (a surrogate pair) and a best-fit symbol do not.
        const std::string typed = "Grüße, café Привет 中文 😀 ∑";
        appendText(window, " Привет 中文 😀 ∑", typed);
        save(window);
        EXPECT_EQ(typed, readNote(note, "pw", &header));
        EXPECT_TRUE(header.flags & kNoteUtf8);

        // Copied and pasted inside the editor's process (Wine's X11 clipboard bridge between
        // processes can lose non-ASCII characters), each step sent, as a posted one would overtake
        // a sent one; over all the text, as Wine's control replaces the whole text on a paste.
        const auto send = [](HWND to, UINT message, WPARAM wParam, LPARAM lParam) {
            SendMessageTimeoutW(to, message, wParam, lParam, SMTO_ABORTIFHUNG, kPatience, nullptr);
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
        setText(control(find, 1152), "Привет");  // edt1 of the system's Find dialog
        pressButton(find, IDOK);
        waitUntil([&] { return SendMessageA(window.editor, EM_GETSEL, 0, 0) == MAKELONG(1, 7); },
                  "Find to select the Cyrillic word");
        pressButton(find, IDCANCEL);
        waitGone(find, "the Find dialog");
    });
    EXPECT_EQ("prompt|editor:Grüße|", opened.seen);

    // Reopened, every character is back.
    const Road again = finish(note, "", [&](EditorWindow& reopened) {
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
            chooseFile(reopened, ID_FILE_IMPORT_TEXT, in);
            waitUntil([&] { return reopened.text() == c.shown; }, "the import of " + c.shown);
            chooseFile(reopened, ID_FILE_EXPORT_TEXT, out);
            // Read only once its size is the new one: a reader holding the file makes the
            // export's replace fail. The replace is a rename, so the size shows the whole new
            // file; a read may still fail for a moment while the replace lets go of it.
            WIN32_FILE_ATTRIBUTE_DATA data{};
            Bytes exported;
            waitUntil(
                [&] {
                    GetFileAttributesExA(out.c_str(), GetFileExInfoStandard, &data);
                    return data.nFileSizeLow == c.exported.size() &&
                           (exported = readFile(out)).size() == c.exported.size();
                },
                "the export of " + c.shown);
            EXPECT_EQ(bytesOf(c.exported), exported);
        }
        // A file another program holds fails either way, says why and changes nothing.
        const std::string held = path("in0.txt");
        Handle holder(
            CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const std::string why = "\n\n" + file::systemMessage(ERROR_SHARING_VIOLATION);
        for (const int command : {ID_FILE_IMPORT_TEXT, ID_FILE_EXPORT_TEXT}) {
            chooseFile(reopened, command, held);
            EXPECT_EQ(
                (command == ID_FILE_IMPORT_TEXT ? "Error loading file!" : "Error saving file!") +
                    why,
                answerMessageBox(kErrorCaption, IDOK, reopened.pid));
        }
        holder.reset();
        EXPECT_EQ(bytesOf(cases[0].file), readFile(held));
        EXPECT_EQ("café €", reopened.text());
    });  // closed with No to the question
    EXPECT_EQ("prompt|editor:" + full + "|" + kSaveQuestion + "|", again.seen);
    EXPECT_EQ("0 0 0", again.codes);
    EXPECT_EQ(14u, listFiles(folder()).size()) << "the editor, the note, 2 libraries, 10 texts";
    EXPECT_EQ(full, readNote(note, "pw")) << "No leaves the note as saved";
}

// Saves that must not lose work, in one window of the editor's test build run as a copy runs it.
// Each step of a save (create, open for writing, write, flush, read-back, attribute change,
// replace) fails in turn until a save gets through; each failure must leave the old file byte for
// byte with its attributes, nothing of the save's own, the window open and modified, one box that
// gives the system's reason.
TEST_F(Session, EveryStepOfSaveAndSaveAsFailsCleanly) {
    const std::string notes = path("notes");
    makeFolder(notes);
    std::string note = makeNote("notes\\diary.exe", "text", "pw"), text = "text";
    EditorWindow window = openAsCopy(QUILLOX_FAULTY_EXE, note);
    const auto edit = [&](const std::string& more) { appendText(window, more, text += more); };
    const auto ctrlS = [&] { pressChord(window.window, {VK_CONTROL, 'S'}); };
    const auto unmodified = [&] { return !window.modified(); };
    // Answers the number of failed saves; the fault is disarmed once a save gets through.
    const auto injectFaults = [&](bool shortWrite, const std::string& target,
                                  const std::function<void()>& save,
                                  const std::function<bool()>& saved) {
        static const UINT arm = RegisterWindowMessageA("Quillox::fault");
        const Bytes before = readFile(target);
        const DWORD attributes = GetFileAttributesA(target.c_str());
        const auto files = listFiles(notes);
        for (int point = 1;; ++point) {
            PostMessageA(window.window, arm, point, shortWrite);
            save();
            const WindowQuery error = dialogTitled(kErrorCaption, window.pid);
            waitUntil([&] { return findWindow(error) || saved(); },
                      "an error box or the save with point " + std::to_string(point) + " armed");
            if (!findWindow(error)) {
                PostMessageA(window.window, arm, 0, 0);
                return point - 1;
            }
            SCOPED_TRACE("fault at point " + std::to_string(point));
            const std::string said = answerMessageBox(kErrorCaption, IDOK);
            EXPECT_EQ(0u, said.find("Error saving file!\n\n")) << said;
            EXPECT_GT(said.size(), 20u) << "no reason given";
            EXPECT_EQ(text, window.text());
            EXPECT_TRUE(window.modified());
            EXPECT_EQ(before, readFile(target)) << "the old file changed";
            EXPECT_EQ(attributes, GetFileAttributesA(target.c_str()));
            EXPECT_EQ(files, listFiles(notes)) << "files left beside the note";
            if (HasFailure()) return -1;
        }
    };
    // Short writes on a plain note, plain failures on a read-only one (the save clears the
    // attribute before the replace and must put it back when that fails).
    edit(" edited");
    const int saveSteps = injectFaults(true, note, ctrlS, unmodified);
    EXPECT_EQ(text, readNote(note, "pw"));
    ASSERT_TRUE(SetFileAttributesA(note.c_str(), FILE_ATTRIBUTE_READONLY));
    edit(" again");
    EXPECT_EQ(saveSteps + 1, injectFaults(false, note, ctrlS, unmodified))
        << "clearing the read-only attribute is one step";
    ASSERT_GT(saveSteps, 0);
    EXPECT_EQ(text, readNote(note, "pw"));

    // Save As to a new file, then over an existing one, which passes the same steps.
    int saveAsSteps = 0;
    for (bool overExisting : {false, true}) {
        const std::string target = joinPath(notes, overExisting ? "over.exe" : "new.exe");
        if (overExisting) makeNote("notes\\over.exe", "older", "other");
        const std::string saved = text;
        edit(" more");
        const int failed = injectFaults(
            false, target,
            [&] {
                chooseFile(window, ID_FILE_SAVE_AS, target);
                if (overExisting) {
                    EXPECT_EQ("File already exists - overwrite?",
                              answerMessageBox(kQuestionCaption, IDYES, window.pid));
                }
            },
            [&] { return windowText(window.window) == mainTitle(target); });
        EXPECT_TRUE(!overExisting || failed == saveAsSteps) << failed;
        saveAsSteps = failed;
        EXPECT_EQ(text, readNote(target, "pw"));
        EXPECT_EQ(saved, readNote(note, "pw")) << "Save As leaves the source alone";
        note = target;
    }
    ASSERT_GT(saveAsSteps, 0);

    // A second window on the note: a save that would undo work written elsewhere (the other
    // window, quillox-note) asks first, and No leaves the file byte for byte.
    EditorWindow other = openAsCopy(QUILLOX_EXE, note);
    std::string otherText = text;
    const auto refuse = [&](const std::string& more) {
        appendText(other, more, otherText += more);
        const Bytes before = readFile(note);
        pressChord(other.window, {VK_CONTROL, 'S'});
        EXPECT_EQ(kChanged, answerMessageBox(kQuestionCaption, IDNO, other.pid));
        waitUntil([&] { return listFiles(notes, "~*").empty(); }, "the temporary file to go");
        EXPECT_TRUE(other.modified());
        EXPECT_TRUE(before == readFile(note)) << "No must leave the note byte for byte";
    };
    edit(" A");
    save(window);  // nothing changed elsewhere: no question holds the save up
    refuse(" B");
    pressChord(other.window, {VK_CONTROL, 'S'});
    EXPECT_EQ(kChanged, answerMessageBox(kQuestionCaption, IDYES, other.pid));
    waitUntil([&] { return !other.modified(); }, "the save to clear the modified flag");
    EXPECT_EQ(otherText, readNote(note, "pw"));
    runTool("set " + inQuotes(note) + " --read-only on");  // keeps the record, IV and digest
    refuse(" C");

    // Save As over the open note's own file follows the same rule; a note gone is written anew.
    ASSERT_TRUE(MoveFileA(note.c_str(), path("moved.exe").c_str()));
    edit(" again");
    chooseFile(window, ID_FILE_SAVE_AS, note);
    EXPECT_EQ(
        "The note file is no longer there (deleted or renamed) since it was opened here.\n\nSave "
        "it anew?",
        answerMessageBox(kQuestionCaption, IDYES, window.pid));
    waitUntil([&] { return !window.modified(); }, "the save to clear the modified flag");
    EXPECT_EQ(text, readNote(note, "pw"));
    postClose(window.window);
    postClose(other.window);
    answerMessageBox(kQuestionCaption, IDNO, other.pid);  // whether to save " C"
    EXPECT_EQ("0 0 0", exitCodes(0)) << "the two editors and quillox-note";
}

}  // namespace
}  // namespace e2e
