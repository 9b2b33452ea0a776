// Notes in awkward places and a note too large for the editor, opened and saved as a user does.
#include <iostream>

#include "e2e_fixture.h"
#include "editor/window_rules.h"

namespace e2e {
namespace {

class HostileNotes : public QuilloxTest {
protected:
    // folder\<padding>\name, exactly `length` characters long.
    std::string pathOfLength(std::size_t length, const std::string& name) {
        const std::string base = folder() + "\\";
        return base + std::string(length - base.size() - 1 - name.size(), 'd') + "\\" + name;
    }
};

TEST_F(HostileNotes, PathsAtAndBeyondTheLimitAndOutsideTheCodePage) {
    // 259 characters, blanks and characters above 127 of the session's code page in the name.
    const std::string name = (GetACP() == CP_UTF8 ? "caf\xC3\xA9 \xC3\xBC" : "caf\xE9 \xFC") +
                             std::string(" my  note .exe");
    const std::string longest = pathOfLength(259, name);
    const std::string notes = longest.substr(0, longest.rfind('\\'));
    makeFolder(notes);
    const std::string note = makeNote(longest.substr(folder().size() + 1), "body", "pw");
    OpenedNote opened = openNote(note, "pw");
    appendText(opened.editor, "+", "body+");
    save(opened.editor);
    closeAndExpectCleanEnd(opened);
    EXPECT_EQ("body+", readNote(note, "pw"));
    EXPECT_EQ(std::vector<std::string>{name}, listFiles(notes)) << "left by the save";

    // Beyond: written through the wide functions. The editor refuses such a note with its
    // message or, where the session's narrow functions reach it, opens and saves it whole or
    // refuses the save and keeps the old content.
    const std::string plain = makeNote("source.exe", "body+", "pw");
    const std::wstring source(plain.begin(), plain.end());
    for (std::size_t length : {260u, 261u}) {
        SCOPED_TRACE(length);
        const std::string beyond = pathOfLength(length, "n.exe");
        const std::wstring wide = L"\\\\?\\" + std::wstring(beyond.begin(), beyond.end());
        CreateDirectoryW(wide.substr(0, wide.rfind(L'\\')).c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(source.c_str(), wide.c_str(), FALSE));
        Process& editor = startEditor("-edit:\"" + beyond + "\"");
        const WindowQuery prompt = dialogTitled(kPromptTitle, editor.pid()),
                          error = dialogTitled(kErrorCaption, editor.pid());
        waitUntil([&] { return findWindow(error) || findWindow(prompt); }, "the long path's fate");
        if (HWND ask = findWindow(prompt)) {
            submitPassphrase(ask, "pw");
            EditorWindow window = waitEditor(mainTitle(beyond), editor.pid());
            appendText(window, "!", "body+!");
            pressChord(window.window, {VK_CONTROL, 'S'});
            waitUntil([&] { return findWindow(error) || !window.modified(); }, "the save");
            const bool refused = findWindow(error) != nullptr;
            for (int report = 0; refused && report < 2; ++report)  // the storage's, the command's
                EXPECT_EQ("Error saving file!", answerMessageBox(kErrorCaption, IDOK).text);
            postClose(window.window);
            if (refused) answerMessageBox(kQuestionCaption, IDNO, editor.pid());
            EXPECT_EQ(0u, editor.waitExit(kPatience));
            EXPECT_EQ(refused ? "body+" : "body+!", readNote(beyond, "pw"));
            std::cout << "[ note     ] a note path of " << length << " characters opens; Save "
                      << (refused ? "is refused" : "goes through") << "\n";
        } else {
            EXPECT_EQ("Error loading file!", answerMessageBox(kErrorCaption, IDOK).text);
            EXPECT_EQ(kExitFailure, editor.waitExit(kPatience));
            std::cout << "[ note     ] a note path of " << length << " characters is refused\n";
        }
    }

    // A name outside the session's code page: the narrow functions cannot name the note.
    const std::wstring moved = std::wstring(folder().begin(), folder().end()) + L"\\Привет.exe";
    struct Remover {  // the fixture's narrow clean-up cannot name this file either
        const std::wstring& path;
        ~Remover() {  // the ended process's image may stay locked for a moment
            for (int i = 0; i < 50 && !DeleteFileW(path.c_str()); ++i) Sleep(100);
        }
    } remover{moved};
    ASSERT_TRUE(CopyFileW(source.c_str(), moved.c_str(), FALSE));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + moved + L"\"";
    ASSERT_TRUE(CreateProcessW(moved.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    Handle process(info.hProcess), thread(info.hThread);
    const std::string text = answerMessageBox(kErrorCaption, IDOK, info.dwProcessId).text;
    EXPECT_NE(std::string::npos, text.find("Move or rename the note")) << text;
    if (WaitForSingleObject(process.get(), kPatience) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 1);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(kExitFailure, code);
    EXPECT_TRUE(tempCopies().empty()) << "no copy of another file name was attempted";
}

// A note written elsewhere with more characters than the editor holds must not be cut by a save.
TEST_F(HostileNotes, NoteBeyondTheEditorLimitOpensReadOnly) {
    std::string text;
    // The control keeps a line end as one character.
    for (std::int32_t characters = 0; characters <= kEditorTextLimit + 1000; characters += 999)
        text += std::string(998, 'x') + "\r\n";
    const std::string note = makeNote("big.exe", text, "pw");
    OpenedNote opened = startOpening(note);
    submitPassphrase(waitPrompt(), "pw");
    const MessageBoxView notice = waitMessageBox(kQuestionCaption, 0, 300000);
    EXPECT_EQ(0u, notice.text.find("This note is larger than the editor can hold")) << notice.text;
    pressButton(notice.window, IDOK);
    EditorWindow& window = opened.editor = waitEditor(mainTitle(note) + " [read-only]");
    typeText(window.window, "xyz");
    pressChord(window.window, {VK_CONTROL, 'S'});
    Sleep(500);
    EXPECT_FALSE(window.modified());
    closeAndExpectCleanEnd(opened);
    EXPECT_TRUE(readNote(note, "pw") == text) << "the note was cut";
}

}  // namespace
}  // namespace e2e
