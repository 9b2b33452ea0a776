// Opening a note: the relaunch through the temporary copy, the passphrase prompt, the editor
// window as the note's header describes it, and the end of the road when the window closes.
#include "driver_keyboard.h"
#include "driver_png.h"
#include "e2e_fixture.h"

#include "storage/file_end_data.h"

#include <regex>

namespace e2e {
namespace {

class OpenNote : public QuilloxTest {};

RECT desktopRect() {
    RECT rect{};
    GetWindowRect(GetDesktopWindow(), &rect);
    return rect;
}

TEST_F(OpenNote, WholeRoadFromRelaunchToErase) {
    const std::string text = "Shopping list\r\n- tea\r\n- bread";
    const std::string note = makeNote("note.exe", text, "right horse", {600, 400, false});

    OpenedNote opened = startOpening(note);
    Process& noteProcess = *opened.note;
    const std::string copy = opened.copyPath;
    EXPECT_TRUE(std::regex_match(baseName(copy), std::regex("Quillox-[0-7][0-9A-F]{3}\\.exe")))
        << copy;
    EXPECT_TRUE(readFile(copy) == readFile(editorExe()))
        << "the copy holds exactly the editor image";

    HWND prompt = waitPrompt();
    Process copyProcess = Process::ofWindow(prompt);
    EXPECT_EQ(0, _stricmp(copyProcess.imagePath().c_str(), copy.c_str()))
        << copyProcess.imagePath();
    EXPECT_EQ(0u, noteProcess.waitExit(kPatience)) << "the note ends once it has started its copy";
    screenshot(prompt, "prompt");

    for (const char* wrong : {"wrong horse", "Right horse", ""}) {
        submitPassphrase(prompt, wrong);
        const MessageBoxView box = answerMessageBox(kErrorCaption, IDOK, copyProcess.pid());
        EXPECT_EQ("Invalid passphrase!", box.text) << "after the passphrase " << inQuotes(wrong);
        prompt = waitPrompt(copyProcess.pid());
    }
    submitPassphrase(prompt, "right horse");

    opened.editor = waitEditor(mainTitle(note), copyProcess.pid());
    EXPECT_EQ(text, opened.editor.text());
    EXPECT_FALSE(opened.editor.modified());
    const RECT rect = windowRect(opened.editor.window);
    EXPECT_EQ(600, rect.right - rect.left);
    EXPECT_EQ(400, rect.bottom - rect.top);
    const RECT desktop = desktopRect();
    EXPECT_EQ((desktop.right - desktop.left) / 2 - 300, rect.left) << "centred across";
    EXPECT_EQ((desktop.bottom - desktop.top) / 2 - 200, rect.top) << "centred down";
    EXPECT_FALSE(IsZoomed(opened.editor.window));
    screenshot(opened.editor.window, "editor");

    closeAndExpectCleanEnd(opened);
    EXPECT_EQ(text, readNote(note, "right horse"))
        << "closing without changes leaves the note as it was";
}

TEST_F(OpenNote, MaximizedNoteOpensMaximized) {
    const std::string note = makeNote("big.exe", "wide open", "pw", {500, 300, true});
    OpenedNote opened = openNote(note, "pw");
    EXPECT_TRUE(IsZoomed(opened.editor.window));
    EXPECT_EQ("wide open", opened.editor.text());
    closeAndExpectCleanEnd(opened);
}

TEST_F(OpenNote, HeaderWithoutSizeOpensAtDefaultSize) {
    const std::string note = makeNote("tall.exe", "x", "pw", {0, 700, false});
    OpenedNote opened = openNote(note, "pw");
    const RECT rect = windowRect(opened.editor.window);
    EXPECT_EQ(480, rect.right - rect.left) << "width 0 means the default width";
    EXPECT_EQ(700, rect.bottom - rect.top);
    closeAndExpectCleanEnd(opened);
}

TEST_F(OpenNote, CancelledPromptEndsWithZeroAndTheCopyIsStillErased) {
    const std::string note = makeNote("note.exe", "never shown", "pw");
    OpenedNote opened = startOpening(note);
    HWND prompt = waitPrompt();
    pressButton(prompt, IdPassphraseCancel);
    expectCleanEnd(opened);
}

TEST_F(OpenNote, PromptIgnoresEscapeAndEndsWithItsCloseBox) {
    const std::string note = makeNote("note.exe", "never shown", "pw");
    OpenedNote opened = startOpening(note);
    HWND prompt = waitPrompt();
    pressKey(prompt, VK_ESCAPE);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(prompt)) << "Escape leaves the prompt open";
    postClose(prompt);
    expectCleanEnd(opened);
}

// A note whose trailer claims a block longer than the whole file.
FileBytes damagedNote(const FileBytes& editor) {
    FileBytes bytes = editor;
    const std::uint32_t claimed = static_cast<std::uint32_t>(bytes.size()) + 1000;
    const std::uint8_t trailer[8] = {0xEF,
                                     0xBE,
                                     0xAD,
                                     0xDE,
                                     static_cast<std::uint8_t>(claimed),
                                     static_cast<std::uint8_t>(claimed >> 8),
                                     static_cast<std::uint8_t>(claimed >> 16),
                                     static_cast<std::uint8_t>(claimed >> 24)};
    bytes.insert(bytes.end(), trailer, trailer + 8);
    return bytes;
}

// A valid trailer around a block that is no note record.
FileBytes garbledNote(const FileBytes& editor) {
    FileBytes bytes = editor;
    for (int i = 0; i < 200; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 37));
    const std::uint8_t trailer[8] = {0xEF, 0xBE, 0xAD, 0xDE, 200, 0, 0, 0};
    bytes.insert(bytes.end(), trailer, trailer + 8);
    return bytes;
}

TEST_F(OpenNote, DamagedNotesReportErrorLoadingFile) {
    struct Case {
        const char* what;
        FileBytes (*make)(const FileBytes&);
        bool started_directly;  // or through "-edit" from the editor
    };
    const Case cases[] = {
        {"trailer longer than the file, started directly", damagedNote, true},
        {"trailer longer than the file, opened with -edit", damagedNote, false},
        {"block that is no note record, opened with -edit", garbledNote, false},
    };
    const FileBytes editor = readFile(editorExe());
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string note = path("damaged" + std::to_string(n++) + ".exe");
        writeFile(note, c.make(editor));
        // The -edit runs use their own copy of the editor: an -edit run may erase its executable.
        const std::string runner = path("runner" + std::to_string(n) + ".exe");
        copyFile(editorExe(), runner);
        Process& process = c.started_directly ? startNote(note)
                                              : family().start(runner, "-edit:\"" + note + "\"",
                                                               "the editor on a damaged note");
        const MessageBoxView box = waitMessageBox(kErrorCaption, process.pid());
        EXPECT_EQ("Error loading file!", box.text);
        pressButton(box.window, IDOK);
        EXPECT_EQ(kExitFailure, process.waitExit(kPatience));
        EXPECT_TRUE(tempCopies().empty()) << "a damaged note is not relaunched";
        EXPECT_EQ(c.make(editor), readFile(note)) << "the damaged file is left as it was";
    }
}

}  // namespace
}  // namespace e2e
