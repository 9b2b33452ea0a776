// After a whole working session with a note, no file the session could have touched holds the
// text or a passphrase in clear: the test's folder with its temporary directory, and the users'
// folders of the Wine prefix (profiles, application data, the users' own temporary folders).
#include "driver_keyboard.h"
#include "e2e_fixture.h"

#include <algorithm>
#include <functional>

namespace e2e {
namespace {

const char* const kNoteMarker = "ZQXNOTE-7731-plain";
const char* const kTypedMarker = "ZQXTYPED-4419";
const char* const kImportMarker = "ZQXIMPORT-9902";
const char* const kFirstPassphrase = "Kx93#vault-pass";
const char* const kSecondPassphrase = "Np5521#harbor-pass";

std::string utf16(const std::string& ascii) {
    std::string wide;
    for (char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

void forEachFile(const std::string& folder, const std::function<void(const std::string&)>& visit) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(joinPath(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = joinPath(folder, name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) forEachFile(full, visit);
        } else {
            visit(full);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

class PlaintextOnDisk : public QuilloxTest {};

TEST_F(PlaintextOnDisk, NoTextOrPassphraseInAnyFileAfterASession) {
    const std::string note =
        makeNote("cycle.exe", std::string("first line ") + kNoteMarker, kFirstPassphrase);
    // Written in clear by the driver on purpose (the import source) or by the user's explicit
    // export: both are left out of the scan.
    const std::string importSource = path("in.txt");
    const std::string exported = path("out.txt");
    const std::string importText = std::string("imported ") + kImportMarker;
    writeFile(importSource, FileBytes(importText.begin(), importText.end()));

    OpenedNote opened = openNote(note, kFirstPassphrase);
    EditorWindow& window = opened.editor;
    pressChord(window.window, {VK_CONTROL, VK_END});
    typeText(window.window, std::string(" ") + kTypedMarker);
    const std::string edited = std::string("first line ") + kNoteMarker + " " + kTypedMarker;
    waitUntil([&] { return window.text() == edited; }, "the typed text");
    pressChord(window.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return !window.modified(); }, "the save");

    const std::string copy = path("copy.exe");
    postCommand(window.window, CmdSaveAs);
    chooseFile("Save As", copy, window.pid);
    waitUntil([&] { return window.title() == mainTitle(copy); }, "the Save As");

    postCommand(window.window, CmdSetPassphrase);
    answerSetPassphrase(kSecondPassphrase, kSecondPassphrase, window.pid);
    waitUntil([&] { return window.modified(); }, "the new passphrase");
    pressChord(window.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return !window.modified(); }, "the save under the new passphrase");

    postCommand(window.window, CmdImportText);
    chooseFile("Open", importSource, window.pid);
    waitUntil([&] { return window.text() == importText; }, "the imported text");
    pressChord(window.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return readNote(copy, kSecondPassphrase) == importText; },
              "the imported text saved");
    postCommand(window.window, CmdExportText);
    chooseFile("Save As", exported, window.pid);
    waitUntil([&] { return fileExists(exported); }, "the exported file");
    postClose(window.window);
    if (findWindow(dialogTitled(kQuestionCaption))) answerMessageBox(kQuestionCaption, IDNO);
    expectCleanEnd(opened);
    EXPECT_EQ(edited, readNote(note, kFirstPassphrase));

    std::vector<std::string> secrets;
    for (const char* secret :
         {kNoteMarker, kTypedMarker, kImportMarker, kFirstPassphrase, kSecondPassphrase}) {
        secrets.push_back(secret);
        secrets.push_back(utf16(secret));
    }
    std::size_t scanned = 0;
    auto scan = [&](const std::string& file) {
        if (file == importSource || file == exported) return;
        const FileBytes bytes = readFile(file);
        ++scanned;
        for (const std::string& secret : secrets) {
            EXPECT_TRUE(std::search(bytes.begin(), bytes.end(), secret.begin(), secret.end()) ==
                        bytes.end())
                << inQuotes(file) << " holds " << inQuotes(secret);
        }
    };
    forEachFile(folder(), scan);
    EXPECT_EQ(3u, scanned) << "the two notes and the editor";
    const DWORD users = GetFileAttributesA("C:\\users");
    ASSERT_TRUE(users != INVALID_FILE_ATTRIBUTES && (users & FILE_ATTRIBUTE_DIRECTORY));
    forEachFile("C:\\users", scan);
    // The registry of the prefix, should anything have been written there.
    char prefix[MAX_PATH] = "";
    if (GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix))) {
        const std::string root = windowsPath(prefix);
        for (const std::string& hive : listFiles(root, "*.reg")) scan(joinPath(root, hive));
    }
}

}  // namespace
}  // namespace e2e
