// Libraries planted beside a note, a blank editor and the temporary copy, under the names of the
// two libraries the editor uses that are not among the system's known DLLs. Wine is told to
// search for them as Windows does (the program's folder before its own), and none may be loaded.
#include "e2e_fixture.h"

namespace e2e {
namespace {

constexpr char kOverrides[] = "Software\\Wine\\DllOverrides";
constexpr char kNativeFirst[] = "native,builtin";
constexpr const char* kPlanted[] = {"riched20", "comctl32"};

class PlantedDlls : public QuilloxTest {
protected:
    void SetUp() override {
        QuilloxTest::SetUp();
        // The order WINEDLLOVERRIDES="riched20,comctl32=n,b" gives, kept where Wine reads it for
        // every process it starts: the driver's environment does not reach its programs' loader.
        for (const char* dll : kPlanted)
            RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, dll, REG_SZ, kNativeFirst,
                            sizeof kNativeFirst);
        for (const std::string& where : {folder(), tempDir()}) {
            for (const char* dll : {PLANTED_RICHED20, PLANTED_COMCTL32})
                copyFile(windowsPath(dll), joinPath(where, baseName(windowsPath(dll))));
        }
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

TEST_F(PlantedDlls, AreNeverLoaded) {
    const std::string note = makeNote("note.exe", "from Downloads", "pw");
    OpenedNote opened = startOpening(note);
    HWND prompt = waitPrompt();
    ASSERT_EQ("", markers()) << "loaded by the time the copy asks for the passphrase";
    submitPassphrase(prompt, "pw");
    opened.editor = waitEditor(mainTitle(note));
    EXPECT_EQ("from Downloads", opened.editor.text());
    closeAndExpectCleanEnd(opened);

    Process& blank = startEditor();
    postClose(waitEditor(mainTitle(kNewDocument), blank.pid()).window);
    EXPECT_EQ(0u, blank.waitExit(kPatience));
    EXPECT_EQ("", markers());
}

}  // namespace
}  // namespace e2e
