// The roads a start of the editor can take, each run to its end as a person meets it: switches as
// a shell or a dropped file hands them over, the erase of a copy, damaged notes, files that are no
// note, and the rule that only a copy the relaunch made is ever handed over for erasing.

#include "e2e_fixture.h"
#include "editor/window_rules.h"
#include "storage/file.h"
#include "storage/file_end_data.h"

namespace e2e {
namespace {

class StartRoads : public QuilloxTest {};

TEST_F(StartRoads, EachRoadEndsWithItsMessageAndExitCode) {
    const auto quoted = [&](const std::string& name) { return inQuotes(path(name)); };
    makeNote("note.exe", "Gr\374\337e", "pw");  // code-page bytes, as every earlier editor wrote
    makeNote("other.exe", "never shown", "not pw");
    const std::string body(100, 'q'), good = makeNote("good.exe", body, "pw");
    Bytes tooLong = readFile(editorExe());  // a trailer that claims more bytes than the file has
    tooLong += Bytes{0xEF, 0xBE, 0xAD, 0xDE, 0x00, 0xFF, 0xFF, 0x7F};
    writeFile(path("damaged.exe"), tooLong);
    copyFile(editorExe(), path("plain.exe"));         // an executable without a note
    copyFile(editorExe(), path("Quillox-0F0F.exe"));  // a copy's name, outside the temp folder
    copyFile(editorExe(), tempDir() + "Quillox-0D0D.exe");
    writeFile(path("dropped file.txt"), "hi");
    writeFile(path("victim.exe"), "MZ");
    // One byte of the good note's record changed (the parsing of each field: the storage's tests).
    const Bytes goodBytes = readFile(good);
    const std::size_t record = FileEndData(good, true).offset();
    auto damaged = [&](std::size_t at) {
        Bytes bad = goodBytes;
        bad[at] ^= 0x5A;
        writeFile(path("damaged" + std::to_string(at) + ".exe"), bad);
        return "-edit:" + quoted("damaged" + std::to_string(at) + ".exe");
    };

    const std::string error = "Error loading file!|";
    // Held without sharing, as a program writing it holds it: the box gives the system's reason.
    const std::string sharing = "\n\n" + file::systemMessage(ERROR_SHARING_VIOLATION) + "|";
    copyFile(good, path("held.exe"));
    Handle holder(
        CreateFileA(path("held.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::string refused = "prompt|Invalid passphrase!|prompt|";
    const std::string editor = editorExe();
    const struct {
        std::string exe, args, seen, codes;
    } roads[] = {
        {editor, "", "editor:|", "0"},
        {editor, "-edit", "Malformed commandline argument!|", "-1"},
        {editor, "-EDIT:" + quoted("note.exe"), "prompt|editor:Grüße|", "0"},
        {editor, quoted("dropped file.txt") + " plain-word", "editor:|", "0"},
        {editor, "-erase:" + inQuotes(tempDir() + "Quillox-0E0E.exe"), "", "-1"},
        // Only a name the relaunch gives, in the temporary folder, is ever erased.
        {editor, "-edit:" + quoted("missing.exe") + " -erase:" + quoted("victim.exe"),
         "Malformed commandline argument!|", "-1"},
        // A cancelled prompt: the note, its copy (which ends with 0) and the copy's erase.
        {path("other.exe"), "", refused, "0 0 0"},
        {path("damaged.exe"), "", error, "-1"},
        {editor, "-edit:" + quoted("plain.exe"), error, "-1"},
        // Only a copy in the temporary folder is erased, however it ends; never a note.
        {tempDir() + "Quillox-0D0D.exe", "-edit:" + quoted("damaged.exe"), error, "-1 0"},
        {path("Quillox-0F0F.exe"), "-edit:" + quoted("damaged.exe"), error, "-1"},
        {good, "-edit:" + quoted("note.exe"), "prompt|editor:Grüße|", "0"},
        {editor, damaged(record), error, "-1"},
        {editor, damaged(record + 8), refused, "0"},  // digest
        {editor, damaged(record + 64), "prompt|editor:" + body + "|", "0"},
        {editor, "-edit:" + quoted("held.exe"), "Error loading file!" + sharing, "-1"},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.exe + " " + road.args);
        const Road ran = finish(road.exe, road.args);
        EXPECT_EQ(road.seen, ran.seen);
        EXPECT_EQ(road.codes, ran.codes);
    }
    holder.reset();
    // A note in a folder, and a temporary folder, outside the session's code page: the note opens
    // under its own name, saves, and its copy is erased (the erase run's 0). Then one under a path
    // longer than MAX_PATH, which Wine allows (and starts no program from: the editor opens it).
    const std::string foreignFolder = path("Заметки 日記"),
                      foreign = foreignFolder + "\\Привет.exe",
                      deep = foreignFolder + "\\" + std::string(250, 'x') + ".exe";
    const std::wstring foreignTemp = wide(foreignFolder + "\\Временные");
    ASSERT_TRUE(CreateDirectoryW(wide(foreignFolder).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(foreignTemp.c_str(), nullptr));
    for (const std::string& copy : {foreign, deep})
        ASSERT_TRUE(CopyFileW(wide(good, CP_ACP).c_str(), wide(copy).c_str(), FALSE));
    for (const wchar_t* name : {L"TMP", L"TEMP"})
        SetEnvironmentVariableW(name, foreignTemp.c_str());
    std::wstring title(300, L'\0');
    const auto edit = [&](EditorWindow& window) {
        title.resize(GetWindowTextW(window.window, title.data(), 300));
        appendText(window, "!", body + "!");
        save(window);
    };
    const Road outside = finish(foreign, "", edit, {"pw"}, CP_UTF8);
    EXPECT_TRUE(wide(mainTitle(foreign)) == title);
    const Road beyond = finish(editor, "-edit:" + inQuotes(deep), edit, {"pw"}, CP_UTF8);
    for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, tempDir().c_str());
    EXPECT_EQ("prompt|editor:" + body + "|", outside.seen);
    EXPECT_EQ("0 0 0", outside.codes);
    EXPECT_EQ("prompt|editor:" + body + "|0", beyond.seen + beyond.codes);
    for (const std::string& note : {foreign, deep}) EXPECT_EQ(body + "!", readNote(note, "pw"));
    EXPECT_TRUE(RemoveDirectoryW(foreignTemp.c_str())) << "the copy is left in the temp folder";

    for (const std::string& kept : {editor, good, path("Quillox-0F0F.exe"), path("plain.exe"),
                                    path("dropped file.txt"), path("victim.exe")})
        EXPECT_TRUE(fileExists(kept)) << kept;
    EXPECT_EQ(tooLong, readFile(path("damaged.exe"))) << "a damaged note is left as it was";
    EXPECT_TRUE(tempCopies().empty());

    // Held as a running copy holds its image: the erase retries for about three seconds.
    for (bool released : {true, false}) {
        const std::string copy = tempDir() + (released ? "Quillox-00A1.exe" : "Quillox-00A2.exe");
        writeFile(copy, "MZ");
        Handle held(CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
        TestThread releaser([&] {
            Sleep(1000);
            if (released) held.reset();
        });
        const Road ran = finish(editor, "-erase:" + inQuotes(copy));
        releaser.join();
        EXPECT_EQ(released ? "" : "Error erasing tempfile!" + sharing, ran.seen);
        EXPECT_EQ(released ? "0" : "-1", ran.codes);
        EXPECT_EQ(!released, fileExists(copy));
    }
}

// A note written elsewhere with more characters than the editor holds must not be cut by a save.
TEST_F(StartRoads, NoteBeyondTheEditorLimitOpensReadOnly) {
    std::string text;  // the control keeps a line end as one character
    for (std::int32_t characters = 0; characters <= kEditorTextLimit + 1000; characters += 999)
        text += std::string(998, 'x') + "\r\n";
    const std::string note = makeNote("big.exe", text, "pw");
    family().start(note);
    submitPassphrase(waitWindow(dialogTitled(kPromptTitle)), "pw");
    const std::string notice = answerMessageBox(kQuestionCaption, IDOK, 0, 300000);
    EXPECT_EQ(0u, notice.find("This note is larger than the editor can hold")) << notice;
    const EditorWindow window(
        waitWindow(WindowQuery{kMainClass, mainTitle(note) + " [read-only]"}));
    // Closed from the keyboard too, so that the window has taken the typing before it closes.
    typeText(window.window, "xyz");
    pressChord(window.window, {VK_CONTROL, 'S'});
    pressChord(window.window, {VK_MENU, VK_F4});
    waitGone(window.window, "the read-only window, without a question,");
    EXPECT_EQ("0 0 0", exitCodes(0)) << "the note, its copy, the erase run";
    EXPECT_TRUE(readNote(note, "pw") == text) << "the note was cut";
}

// At 144 DPI (Wine's LogPixels, read by each process as it starts) a header's size is 96-DPI
// units: shown half as large again and stored back as it was; the blank editor is 480 x 320 units.
TEST_F(StartRoads, WindowSizesAreUnitsAt144Dpi) {
    const DWORD dpi = 144;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, 4);
    // The sizes in this thread's pixels are the physical ones once it is aware of DPI itself.
    const struct Restore {
        DPI_AWARENESS_CONTEXT awareness;
        ~Restore() {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
            SetThreadDpiAwarenessContext(awareness);
        }
    } restore{SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)};
    const std::string note = makeNote("sized.exe", "text", "pw", WindowPlacement{640, 400});
    std::string sizes;
    const auto measure = [&](EditorWindow& window) {
        const RECT frame = windowRect(window.window);
        sizes += std::to_string(frame.right - frame.left) + "x" +
                 std::to_string(frame.bottom - frame.top) + " ";
        if (window.text().empty()) return;
        appendText(window, "!", "text!");
        save(window);
    };
    finish(editorExe(), "", measure);
    finish(note, "", measure);
    EXPECT_EQ("720x480 960x600 ", sizes);
    NoteHeader header;
    EXPECT_EQ("text!", readNote(note, "pw", &header));
    EXPECT_EQ(640, header.windowWidth);
    EXPECT_EQ(400, header.windowHeight);
}

// A passphrase in Cyrillic typed as Unicode key events keys the note by its characters: the tool
// opens it from a UTF-16 file, other words of the same lengths do not. A note keyed by the older
// editor's "?" form opens with the warning.
TEST_F(StartRoads, APassphraseTypedInAnyScriptKeysTheNoteByItsCharacters) {
    const std::string phrase = "Ключ от заметок 2026!", note = makeNote("cyr.exe", "memo", "pw");
    const Road road = finish(note, "", [&](EditorWindow& window) {
        postCommand(window.window, ID_FILE_SET_PASSPHRASE);
        const HWND dialog = waitWindow(dialogTitled("Quillox: Enter passphrase", window.pid));
        // Enter presses OK after the typing, in order; a posted click would overtake it.
        typeText(dialog, phrase);
        pressChord(dialog, {VK_TAB});
        typeText(dialog, phrase + "\n");
        const std::string asked = answerMessageBox(kQuestionCaption, IDYES, window.pid);
        EXPECT_EQ(0u, asked.find("This passphrase is weak")) << asked;
        waitUntil([&] { return window.modified(); }, "the new passphrase to mark the text");
        save(window);
    });
    EXPECT_EQ("0 0 0", road.codes);
    EXPECT_EQ("memo", readNote(note, phrase));
    const std::wstring wide = L"\xFEFFКлюч от заметок 2026!";
    writeFile(path("pw16.txt"),
              std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
    writeFile(path("other.txt"), "Шифр на записки 2026!");
    for (const auto& [file, code] : {std::pair{"pw16.txt", 0}, std::pair{"other.txt", 3}}) {
        const std::string args =
            "verify --passphrase-file " + inQuotes(path(file)) + " " + inQuotes(note);
        EXPECT_EQ(DWORD(code),
                  family().start(windowsPath(QUILLOX_NOTE_EXE), args).waitExit(3 * kPatience))
            << file;
    }

    family().start(makeNote("marks.exe", "memo", "????"));
    const HWND prompt = waitWindow(dialogTitled(kPromptTitle));
    typeText(prompt, "ключ\n");
    const std::string warned = answerMessageBox(kQuestionCaption, IDOK);
    EXPECT_EQ(0u, warned.find("This note's passphrase was stored in a weakened form")) << warned;
    postClose(waitWindow(WindowQuery{kMainClass, mainTitle(path("marks.exe"))}));
    family().waitAllEnded();
}

}  // namespace
}  // namespace e2e
