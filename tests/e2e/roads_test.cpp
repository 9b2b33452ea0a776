// The roads a start of the editor can take, each run to its end as a person meets it: switches as
// a shell or a dropped file hands them over, the erase of a copy, damaged notes, files that are no
// note, and the rule that only a copy the relaunch made is ever handed over for erasing.
#include <thread>

#include "e2e_fixture.h"
#include "editor/window_rules.h"
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
    tooLong.insert(tooLong.end(), {0xEF, 0xBE, 0xAD, 0xDE, 0x00, 0xFF, 0xFF, 0x7F});
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
    const std::string refused = "prompt|Invalid passphrase!|prompt|";
    const std::string editor = editorExe();
    const struct {
        std::string exe, args, seen, codes;
    } roads[] = {
        {editor, "", "editor:|", "0"},
        {editor, "-edit", "Malformed commandline argument!|", "-1"},
        {editor, "-EDIT:" + quoted("note.exe"), "prompt|editor:Grüße|", "0"},
        {editor, quoted("dropped file.txt") + " plain-word", "editor:|", "0"},
        {editor, "-erase:" + quoted("not there.exe"), "", "-1"},
        {editor, "-edit:" + quoted("missing.exe") + " -erase:" + quoted("victim.exe"), "", "0"},
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
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.exe + " " + road.args);
        const Road ran = finish(road.exe, road.args);
        EXPECT_EQ(road.seen, ran.seen);
        EXPECT_EQ(road.codes, ran.codes);
    }
    // A name outside the session's code page: the narrow functions cannot name the note.
    const std::string foreign = path("Привет.exe");
    ASSERT_TRUE(CopyFileW(wide(good, CP_ACP).c_str(), wide(foreign).c_str(), FALSE));
    const Road outside = finish(foreign, "", {}, {"pw"}, CP_UTF8);
    EXPECT_NE(std::string::npos, outside.seen.find("Move or rename the note")) << outside.seen;
    EXPECT_EQ("-1", outside.codes);

    EXPECT_FALSE(fileExists(path("victim.exe")));
    for (const std::string& kept :
         {editor, good, path("Quillox-0F0F.exe"), path("plain.exe"), path("dropped file.txt")})
        EXPECT_TRUE(fileExists(kept)) << kept;
    EXPECT_EQ(tooLong, readFile(path("damaged.exe"))) << "a damaged note is left as it was";
    EXPECT_TRUE(tempCopies().empty());

    // Held as a running copy holds its image: the erase retries for about three seconds.
    for (bool released : {true, false}) {
        const std::string copy = path(released ? "held1.exe" : "held2.exe");
        writeFile(copy, "MZ");
        Handle held(CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
        std::thread releaser([&] {
            Sleep(1000);
            if (released) held.reset();
        });
        const Road ran = finish(editor, "-erase:" + inQuotes(copy));
        releaser.join();
        EXPECT_EQ(released ? "" : "Error erasing tempfile!|", ran.seen);
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
