// One working session with a note, from its start to a scan of the disk: the relaunch through a
// temporary copy, wrong passphrases, the editor as the header describes it, a text whose line
// ends fall on every boundary of the chunks it travels in, Save, Save As, a new passphrase,
// import, the question on closing and the erase of the copy. Then no file the session
// could have touched holds the text or a passphrase in clear.
#include <algorithm>
#include <functional>
#include <regex>

#include "e2e_fixture.h"
#include "storage/file_end_data.h"

namespace e2e {
namespace {

const char* const kNoteMarker = "ZQXNOTE-7731";
const char* const kTypedMarker = "ZQXTYPED-4419";
const char* const kImportMarker = "ZQXIMPORT-9902";
const char* const kFirst = "Kx93#vault-pass";
const char* const kSecond = "Np5521#harbor-pass";
const char* const kQuestion = "Do you want to save modifications before exiting?";
const char* const kSetPassphraseTitle = "Quillox: Enter passphrase";

void forEachFile(const std::string& folder, const std::function<void(const std::string&)>& visit) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(joinPath(folder, "*").c_str(), &entry);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        const std::string name = entry.cFileName, full = joinPath(folder, name);
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            visit(full);
        else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != "." &&
                 name != "..")
            forEachFile(full, visit);
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

class Session : public QuilloxTest {};

TEST_F(Session, WholeRoadLeavesNoPlaintextOnDisk) {
    // Lines of 1 to 97 characters put a line end on each side of every chunk boundary.
    std::string text = std::string(kNoteMarker) + "\r\n";
    for (int length = 1; text.size() < 200000; length = length % 97 + 1)
        text += std::string(static_cast<std::size_t>(length), 'a' + length % 26) + "\r\n";
    const std::string note = makeNote("cycle.exe", text, kFirst, {600, 400, false});

    const std::size_t first = family().members().size();
    Process& started = family().start(note);
    const std::string copyPath = waitCopy();
    EXPECT_TRUE(std::regex_match(baseName(copyPath), std::regex("Quillox-[0-7][0-9A-F]{3}\\.exe")));
    EXPECT_TRUE(readFile(copyPath) == readFile(editorExe())) << "the copy is the bare image";
    HWND prompt = waitPrompt();
    DWORD pid = 0;
    GetWindowThreadProcessId(prompt, &pid);
    Process copy(pid, "the copy");
    EXPECT_EQ(0, _stricmp(copy.imagePath().c_str(), copyPath.c_str())) << copy.imagePath();
    EXPECT_EQ(0u, started.waitExit(kPatience)) << "the note ends once its copy runs";
    for (const std::string wrong : {"kx93#vault-pass", "", kSecond}) {
        submitPassphrase(prompt, wrong);
        EXPECT_EQ("Invalid passphrase!", answerMessageBox(kErrorCaption, IDOK, copy.pid()));
        prompt = waitPrompt(copy.pid());
    }
    submitPassphrase(prompt, kFirst);

    EditorWindow window = waitEditor(mainTitle(note), copy.pid());
    EXPECT_TRUE(window.text() == text) << "the line ends changed on the way into the editor";
    EXPECT_FALSE(window.modified());
    const RECT shown = windowRect(window.window);
    EXPECT_EQ(600, shown.right - shown.left) << "the width the note stores";

    const std::string edited = text + " " + kTypedMarker;
    appendText(window, std::string(" ") + kTypedMarker, edited);
    save(window);
    EXPECT_TRUE(readNote(note, kFirst) == edited) << "open and save changed the text";
    NoteDocument saved;
    ASSERT_TRUE(saved.load(note));
    EXPECT_EQ(600, saved.header.window_width);
    EXPECT_EQ(400, saved.header.window_height);

    // Save As without an extension gets ".exe"; the note is the editor image, a record, a trailer.
    const std::string second = path("copy.exe");
    postCommand(window.window, ID_FILE_SAVE_AS);
    chooseFile("Save As", path("copy"), window.pid);
    waitUntil([&] { return window.title() == mainTitle(second); }, "the title of the Save As");
    const Bytes image = readFile(editorExe()), bytes = readFile(second);
    FileEndData block(second, true);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes.begin()));
    EXPECT_EQ(image.size(), block.offset());
    EXPECT_EQ(bytes.size(), block.offset() + block.length() + 8);

    postCommand(window.window, ID_FILE_SET_PASSPHRASE);
    const auto setPassphrase = [&](const std::string& repeated) {
        const HWND dialog = waitWindow(dialogTitled(kSetPassphraseTitle, window.pid));
        setText(control(dialog, IDC_PASSPHRASE, "Edit"), kSecond);
        setText(control(dialog, IDC_PASSPHRASE_REPEAT, "Edit"), repeated);
        pressButton(dialog, IDC_PASSPHRASE_OK);
    };
    setPassphrase("other");
    EXPECT_EQ("Passphrases don't match", answerMessageBox(kErrorCaption, IDOK, window.pid));
    const HWND dialog = waitWindow(dialogTitled(kSetPassphraseTitle, window.pid));
    EXPECT_EQ("other", controlText(control(dialog, IDC_PASSPHRASE_REPEAT)))
        << "kept to be corrected";
    setPassphrase(kSecond);
    waitUntil([&] { return window.modified(); }, "the new passphrase to mark the text modified");
    EXPECT_TRUE(readNote(second, kFirst) == edited) << "nothing is written before the save";
    save(window);

    // Written in clear on purpose: the import source stays out of the scan.
    const std::string source = path("in.txt");
    const std::string imported = std::string("imported\r\n") + kImportMarker;
    writeFile(source, imported);
    postCommand(window.window, ID_FILE_IMPORT_TEXT);
    chooseFile("Open", source, window.pid);
    waitUntil([&] { return window.text() == imported; }, "the imported text");

    appendText(window, "!", imported + "!");
    postClose(window.window);
    EXPECT_EQ(kQuestion, answerMessageBox(kQuestionCaption, IDCANCEL, window.pid));
    postCommand(window.window, ID_FILE_EXIT);
    EXPECT_EQ(kQuestion, answerMessageBox(kQuestionCaption, IDYES, window.pid));
    expectCleanEnd(copyPath, first);
    EXPECT_EQ(imported + "!", readNote(second, kSecond));
    EXPECT_THROW(readNote(second, kFirst), DriverError);
    EXPECT_TRUE(readNote(note, kFirst) == edited) << "Save As leaves the first note alone";

    std::vector<std::string> secrets;
    for (const char* secret : {kNoteMarker, kTypedMarker, kImportMarker, kFirst, kSecond}) {
        secrets.push_back(secret);
        std::string wide;
        for (const char* c = secret; *c; ++c) wide += std::string(1, *c) + '\0';
        secrets.push_back(wide);
    }
    std::size_t scanned = 0;
    auto scan = [&](const std::string& file) {
        if (file == source) return;
        const Bytes content = readFile(file);
        ++scanned;
        for (const std::string& secret : secrets)
            EXPECT_TRUE(std::search(content.begin(), content.end(), secret.begin(), secret.end()) ==
                        content.end())
                << inQuotes(file) << " holds " << inQuotes(secret);
    };
    forEachFile(folder(), scan);
    EXPECT_EQ(7u, scanned) << "the two notes, the editor and the four planted libraries";
    // The users' folders of the prefix (profiles, application data, their temporary folders)
    // and its registry, should anything have been written there.
    ASSERT_TRUE(fileExists("C:\\users"));
    forEachFile("C:\\users", scan);
    char prefix[MAX_PATH] = "";
    if (GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix)))
        for (const std::string& hive : listFiles(windowsPath(prefix), "*.reg"))
            scan(joinPath(windowsPath(prefix), hive));
}

}  // namespace
}  // namespace e2e
