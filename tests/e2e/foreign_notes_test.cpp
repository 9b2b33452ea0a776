// Notes that come from elsewhere: sealed by quillox-note on Linux (UTF-8 with its flag), moved
// onto this editor build by its reimage, and started from a folder where libraries were planted
// under the names of the two the editor uses that are not among the system's known DLLs. Wine is
// told to search for those as Windows does (the program's folder before its own), and none may
// be loaded anywhere on the road.
#include "e2e_fixture.h"
#include "storage/file_end_data.h"

namespace e2e {
namespace {

constexpr char kOverrides[] = "Software\\Wine\\DllOverrides";
constexpr char kNativeFirst[] = "native,builtin";
constexpr const char* kPlanted[] = {"riched20", "comctl32"};

class ForeignNotes : public QuilloxTest {
protected:
    void SetUp() override {
        QuilloxTest::SetUp();
        // The order WINEDLLOVERRIDES="riched20,comctl32=n,b" gives, kept where Wine reads it for
        // every process it starts: the driver's environment does not reach its programs' loader.
        for (const char* dll : kPlanted)
            RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, dll, REG_SZ, kNativeFirst,
                            sizeof kNativeFirst);
        for (const std::string& where : {folder(), tempDir()})
            for (const char* dll : {PLANTED_RICHED20, PLANTED_COMCTL32})
                copyFile(windowsPath(dll), joinPath(where, baseName(windowsPath(dll))));
    }
    void TearDown() override {
        QuilloxTest::TearDown();
        for (const char* dll : kPlanted) RegDeleteKeyValueA(HKEY_CURRENT_USER, kOverrides, dll);
    }

    std::string markers() const {
        std::string found;
        for (const std::string& where : {folder(), tempDir()})
            for (const std::string& name : listFiles(where, "*.loaded"))
                found += joinPath(where, name) + " ";
        return found;
    }
};

FileBytes recordAndTrailer(const std::string& note) {
    const FileBytes bytes = readFile(note);
    return FileBytes(bytes.begin() + FileEndData(note, true).offset(), bytes.end());
}

TEST_F(ForeignNotes, ASealedNoteReimagedOntoThisEditorOpensAmongPlantedLibraries) {
    // Made on the test build of the editor, which stands in for an older build: other bytes.
    const std::string older = path("older.exe");
    copyFile(windowsPath(QUILLOX_FAULTY_EXE), older);
    const std::string note = makeNote("note.exe", "Grüße", "pw", {}, NOTE_UTF8, older);
    const FileBytes record = recordAndTrailer(note);
    Process& tool = family().start(windowsPath(QUILLOX_NOTE_EXE),
                                   "reimage --image \"" + editorExe() + "\" \"" + note + "\"",
                                   "quillox-note reimage");
    ASSERT_EQ(0u, tool.waitExit(3 * kPatience));  // a console program starting under Wine
    const FileBytes editor = readFile(editorExe()), bytes = readFile(note);
    ASSERT_EQ(editor.size() + record.size(), bytes.size());
    EXPECT_TRUE(std::equal(editor.begin(), editor.end(), bytes.begin())) << "the new editor part";
    EXPECT_TRUE(record == recordAndTrailer(note)) << "the record and trailer, byte for byte";

    OpenedNote opened = startOpening(note);
    HWND prompt = waitPrompt();
    ASSERT_EQ("", markers()) << "loaded by the time the copy asks for the passphrase";
    submitPassphrase(prompt, "pw");
    opened.editor = waitEditor(mainTitle(note));
    EXPECT_EQ("Grüße", opened.editor.text());
    closeAndExpectCleanEnd(opened);

    Process& blank = startEditor();
    postClose(waitEditor(mainTitle(kNewDocument), blank.pid()).window);
    EXPECT_EQ(0u, blank.waitExit(kPatience));
    EXPECT_EQ("", markers());
}

}  // namespace
}  // namespace e2e
