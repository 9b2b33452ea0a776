#include "e2e_fixture.h"

namespace e2e {

void QuilloxTest::SetUp() {
    scratch_ = std::make_unique<ScratchDir>(windowsPath(E2E_WORK_DIR));
    temp_ = path("tmp\\");
    makeFolder(temp_);
    char saved[MAX_PATH * 2] = "";
    if (GetEnvironmentVariableA("TMP", saved, sizeof(saved)) < sizeof(saved)) savedTmp_ = saved;
    for (const char* name : {"TMP", "TEMP"}) SetEnvironmentVariableA(name, temp_.c_str());
    editor_ = path("quillox.exe");
    copyFile(windowsPath(QUILLOX_EXE), editor_);
    family_ = std::make_unique<ProcessFamily>();
}

void QuilloxTest::TearDown() {
    family_.reset();
    for (const char* name : {"TMP", "TEMP"})
        SetEnvironmentVariableA(name, savedTmp_.empty() ? nullptr : savedTmp_.c_str());
    scratch_.reset();
}

std::string QuilloxTest::makeNote(const std::string& name, const std::string& text,
                                  const std::string& passphrase, const WindowPlacement& placement,
                                  std::uint32_t flags, const std::string& image) {
    NoteDocument document(image.empty() ? editor_ : image);
    document.setkey(passphrase.c_str());
    document.settext(text);
    document.header.flags |= flags;
    const std::string note = path(name);
    if (!document.save(note, placement))
        throw DriverError("the storage code cannot write the note " + inQuotes(note));
    return note;
}

std::string QuilloxTest::readNote(const std::string& notePath, const std::string& passphrase,
                                  bool* utf8) {
    NoteDocument document;
    std::string text;
    if (!document.load(notePath)) throw DriverError("cannot load " + inQuotes(notePath));
    document.setkey(passphrase.c_str());
    if (!document.verifykey() || !document.gettext(text))
        throw DriverError(inQuotes(passphrase) + " does not open " + inQuotes(notePath));
    if (utf8) *utf8 = (document.header.flags & NOTE_UTF8) != 0;
    return text;
}

void QuilloxTest::submitPassphrase(HWND prompt, const std::string& passphrase) {
    // Key by key; the click is posted after the characters, so it arrives after them.
    const HWND edit = control(prompt, IDC_PASSPHRASE, "Edit");
    for (char c : passphrase) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    pressButton(prompt, IDC_PASSPHRASE_OK);
    waitGone(prompt, "the passphrase prompt");
}

EditorWindow QuilloxTest::waitEditor(const std::string& title, DWORD pid) {
    EditorWindow editor;
    editor.window = waitWindow(WindowQuery{kMainClass, title, pid});
    GetWindowThreadProcessId(editor.window, &editor.pid);
    editor.editor = descendant(editor.window, "RichEdit20W");
    return editor;
}

void QuilloxTest::appendText(EditorWindow& window, const std::string& text,
                             const std::string& expected) {
    pressChord(window.window, {VK_CONTROL, VK_END});
    typeText(window.window, text);
    waitUntil([&] { return window.text() == expected; },
              "the editor to show " + inQuotes(expected));
}

void QuilloxTest::save(const EditorWindow& window) {
    pressChord(window.window, {VK_CONTROL, 'S'});
    waitUntil([&] { return !window.modified(); }, "Ctrl+S to clear the modified flag");
}

OpenedNote QuilloxTest::startOpening(const std::string& notePath) {
    OpenedNote opened;
    opened.firstMember = family_->members().size();
    opened.note = &family_->start(notePath, {}, baseName(notePath));
    std::vector<std::string> copies;
    waitUntil([&] { return !(copies = tempCopies()).empty(); },
              "a temporary copy Quillox-XXXX.exe in " + inQuotes(temp_));
    if (copies.size() != 1) throw DriverError("more than one temporary copy in " + inQuotes(temp_));
    opened.copyPath = temp_ + copies.front();
    return opened;
}

OpenedNote QuilloxTest::openNote(const std::string& notePath, const std::string& passphrase,
                                 const std::string& titleSuffix) {
    OpenedNote opened = startOpening(notePath);
    submitPassphrase(waitPrompt(), passphrase);
    opened.editor = waitEditor(mainTitle(notePath) + titleSuffix);
    return opened;
}

EditorWindow QuilloxTest::openAsCopy(const std::string& exe, const std::string& note) {
    const std::string own = path("editor" + std::to_string(++copies_) + ".exe");
    copyFile(windowsPath(exe), own);
    Process& editor = family_->start(own, "-edit:\"" + note + "\"", baseName(own));
    submitPassphrase(waitPrompt(editor.pid()), "pw");
    return waitEditor(mainTitle(note), editor.pid());
}

void QuilloxTest::expectCleanEnd(const OpenedNote& opened) {
    // The copy is erased by the erase run, which exists by then: three processes in all.
    waitUntil([&] { return !fileExists(opened.copyPath); },
              "the temporary copy " + inQuotes(opened.copyPath) + " to be erased");
    family_->waitAllEnded(kPatience);
    const auto members = family_->members();
    EXPECT_EQ(opened.firstMember + 3, members.size()) << "the note, its copy, the erase run";
    for (std::size_t i = opened.firstMember; i < members.size(); ++i)
        EXPECT_EQ(0u, members[i]->waitExit(0)) << "exit code of process " << i;
    EXPECT_TRUE(tempCopies().empty()) << "temporary copies left in " << temp_;
}

void QuilloxTest::answerSetPassphrase(const std::string& first, const std::string& second,
                                      DWORD pid) {
    HWND dialog = waitWindow(dialogTitled(kSetPassphraseTitle, pid));
    setText(control(dialog, IDC_PASSPHRASE, "Edit"), first);
    setText(control(dialog, IDC_PASSPHRASE_REPEAT, "Edit"), second);
    pressButton(dialog, IDC_PASSPHRASE_OK);
}

void QuilloxTest::chooseFile(const std::string& dialogTitle, const std::string& filePath,
                             DWORD pid) {
    HWND dialog = waitWindow(dialogTitled(dialogTitle, pid));
    // The file name field: the edit of the combo box cmb13 (1148) of the Explorer-style dialog.
    HWND name = control(dialog, 1148);
    HWND field = className(name) == "Edit" ? name : descendant(name, "Edit");
    // A dialog still settling can put its own name into the field after ours: the name is set
    // until it stays, once the dialog has had a moment.
    waitUntil(
        [&] {
            setText(field, filePath);
            Sleep(200);
            return controlText(field) == filePath;
        },
        "the file name to stay in " + inQuotes(dialogTitle));
    pressButton(dialog, IDOK);
    waitGone(dialog, "the file dialog " + inQuotes(dialogTitle));
}

std::string QuilloxTest::screenshot(HWND window, const std::string& what) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string folder = windowsPath(E2E_SCREENS_DIR);
    makeFolder(folder);
    const std::string shot = joinPath(
        folder, std::string(info->test_suite_name()) + "-" + info->name() + "-" + what + ".bmp");
    saveScreenshot(window, shot);
    return shot;
}

}  // namespace e2e
