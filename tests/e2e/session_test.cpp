// One working session with a note, from its start to a scan of the disk: the relaunch through a
// temporary copy, wrong passphrases, the editor as the header describes it, a text whose line
// ends fall on every boundary of the chunks it travels in, Save, Save As, a new passphrase,
// import, export, the question on closing and the erase of the copy. Then no file the session
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

void forEachFile(const std::string& folder, const std::function<void(const std::string&)>& visit) {
    for (const std::string& name : ScratchDir::listFiles(folder)) {
        const std::string full = joinPath(folder, name);
        const DWORD attributes = GetFileAttributesA(full.c_str());
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) visit(full);
        else if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) forEachFile(full, visit);
    }
}

class Session : public QuilloxTest {};

TEST_F(Session, WholeRoadLeavesNoPlaintextOnDisk) {
    // Lines of 1 to 97 characters put a line end on each side of every chunk boundary.
    std::string text = std::string(kNoteMarker) + "\r\n";
    for (int length = 1; text.size() < 200000; length = length % 97 + 1)
        text += std::string(static_cast<std::size_t>(length), 'a' + length % 26) + "\r\n";
    const std::string note = makeNote("cycle.exe", text, kFirst, {600, 400, false});

    OpenedNote opened = startOpening(note);
    EXPECT_TRUE(std::regex_match(baseName(opened.copyPath), std::regex("Quillox-[0-7][0-9A-F]{3}\\.exe")));
    EXPECT_TRUE(readFile(opened.copyPath) == readFile(editorExe())) << "the copy is the bare image";
    HWND prompt = waitPrompt();
    Process copy = Process::ofWindow(prompt);
    EXPECT_EQ(0, _stricmp(copy.imagePath().c_str(), opened.copyPath.c_str())) << copy.imagePath();
    EXPECT_EQ(0u, opened.note->waitExit(kPatience)) << "the note ends once its copy runs";
    screenshot(prompt, "prompt");
    for (const std::string wrong : {"kx93#vault-pass", "", kSecond}) {
        submitPassphrase(prompt, wrong);
        EXPECT_EQ("Invalid passphrase!", answerMessageBox(kErrorCaption, IDOK, copy.pid()).text);
        prompt = waitPrompt(copy.pid());
    }
    submitPassphrase(prompt, kFirst);

    EditorWindow& window = opened.editor = waitEditor(mainTitle(note), copy.pid());
    EXPECT_TRUE(window.text() == text) << "the line ends changed on the way into the editor";
    EXPECT_FALSE(window.modified());
    const RECT rect = windowRect(window.window), desktop = windowRect(GetDesktopWindow());
    EXPECT_EQ(desktop.right / 2 - 300, rect.left) << "centred across";
    EXPECT_EQ(desktop.bottom / 2 - 200, rect.top) << "centred down";
    EXPECT_EQ(600, rect.right - rect.left);
    EXPECT_EQ(400, rect.bottom - rect.top);
    const Bytes png = readFile(screenshot(window.window, "editor"));
    EXPECT_EQ(Bytes({0, 0, 2, 0x58}), Bytes(png.begin() + 16, png.begin() + 20)) << "PNG width";

    const std::string edited = text + " " + kTypedMarker;
    appendText(window, std::string(" ") + kTypedMarker, edited);
    pressChord(window.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return !window.modified(); }, "Ctrl+S to save");
    EXPECT_TRUE(readNote(note, kFirst) == edited) << "open and save changed the text";
    NoteDocument saved;
    ASSERT_TRUE(saved.load(note));
    EXPECT_EQ(600, saved.header.window_width);
    EXPECT_EQ(400, saved.header.window_height);

    // Save As without an extension gets ".exe"; the note is the editor image, a record, a trailer.
    const std::string second = path("copy.exe");
    postCommand(window.window, CmdSaveAs);
    chooseFile("Save As", path("copy"), window.pid);
    waitUntil([&] { return window.title() == mainTitle(second); }, "the title of the Save As");
    const Bytes image = readFile(editorExe()), bytes = readFile(second);
    FileEndData block(second, true);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes.begin()));
    EXPECT_EQ(image.size(), block.offset());
    EXPECT_EQ(bytes.size(), block.offset() + block.length() + 8);

    postCommand(window.window, CmdSetPassphrase);
    answerSetPassphrase(kSecond, "other", window.pid);
    EXPECT_EQ("Passphrases don't match", answerMessageBox(kErrorCaption, IDOK, window.pid).text);
    const HWND dialog = waitWindow(dialogTitled(kSetPassphraseTitle, window.pid));
    EXPECT_EQ("other", controlText(control(dialog, IdPassphraseRepeat))) << "kept to be corrected";
    answerSetPassphrase(kSecond, kSecond, window.pid);
    waitUntil([&] { return window.modified(); }, "the new passphrase to mark the text modified");
    EXPECT_TRUE(readNote(second, kFirst) == edited) << "nothing is written before the save";
    pressChord(window.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return !window.modified(); }, "the save under the new passphrase");

    // Written in clear on purpose: the import source and the user's export stay out of the scan.
    const std::string source = path("in.txt"), exported = path("out.txt");
    const std::string imported = std::string("imported\r\n") + kImportMarker;
    writeFile(source, imported);
    postCommand(window.window, CmdImportText);
    chooseFile("Open", source, window.pid);
    waitUntil([&] { return window.text() == imported; }, "the imported text");
    postCommand(window.window, CmdExportText);
    chooseFile("Save As", exported, window.pid);
    waitUntil([&] { return readFile(exported) == bytesOf(imported); }, "the exported text");

    appendText(window, "!", imported + "!");
    postClose(window.window);
    EXPECT_EQ(kSaveQuestion, answerMessageBox(kQuestionCaption, IDCANCEL, window.pid).text);
    postCommand(window.window, CmdExit);
    EXPECT_EQ(kSaveQuestion, answerMessageBox(kQuestionCaption, IDYES, window.pid).text);
    expectCleanEnd(opened);
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
        if (file == source || file == exported) return;
        const Bytes content = readFile(file);
        ++scanned;
        for (const std::string& secret : secrets)
            EXPECT_TRUE(std::search(content.begin(), content.end(), secret.begin(), secret.end()) ==
                        content.end())
                << inQuotes(file) << " holds " << inQuotes(secret);
    };
    forEachFile(folder(), scan);
    EXPECT_EQ(3u, scanned) << "the two notes and the editor";
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
