#include "e2e_fixture.h"

#include "driver_keyboard.h"
#include "driver_png.h"

#include <algorithm>
#include <cctype>

namespace e2e {

namespace {

std::string environment(const char* name) {
    char value[MAX_PATH * 2] = "";
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
    return n && n < sizeof(value) ? std::string(value, n) : std::string();
}

void setEnvironment(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

bool samePath(std::string a, std::string b) {
    auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return std::tolower(c); });
    };
    lower(a);
    lower(b);
    return a == b;
}

}  // namespace

std::string mainTitle(const std::string& label) {
    return "Quillox version 1.3-beta1: " + label;
}

void QuilloxTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string root = windowsPath(E2E_WORK_DIR);
    makeFolder(root);
    folder_ = fullPath(joinPath(root, std::string(info->test_suite_name()) + "-" + info->name()));
    removeTree(folder_);
    makeFolder(folder_);
    temp_ = joinPath(folder_, "tmp") + "\\";
    makeFolder(temp_);

    savedTmp_ = environment("TMP");
    savedTemp_ = environment("TEMP");
    setEnvironment("TMP", temp_);
    setEnvironment("TEMP", temp_);
    ASSERT_TRUE(samePath(tempFolder(), temp_))
        << "GetTempPathA gives " << tempFolder() << ", not " << temp_;

    editor_ = path("quillox.exe");
    copyFile(windowsPath(QUILLOX_EXE), editor_);
    family_ = std::make_unique<ProcessFamily>();
}

void QuilloxTest::TearDown() {
    if (family_) family_->killAll();
    family_.reset();
    setEnvironment("TMP", savedTmp_);
    setEnvironment("TEMP", savedTemp_);
    removeTree(folder_);
}

std::string QuilloxTest::makeNote(const std::string& name, const std::string& text,
                                  const std::string& passphrase, const WindowPlacement& placement,
                                  std::uint32_t flags) {
    NoteDocument document(editor_);
    document.setkey(passphrase.c_str());
    document.settext(text);
    document.header.flags |= flags;
    const std::string note = path(name);
    if (!document.save(note, placement))
        throw DriverError("the storage code cannot write the note " + inQuotes(note));
    return note;
}

std::string QuilloxTest::readNote(const std::string& notePath, const std::string& passphrase) {
    NoteDocument document;
    if (!document.load(notePath))
        throw DriverError("the storage code cannot load " + inQuotes(notePath));
    document.setkey(passphrase.c_str());
    if (!document.verifykey()) {
        throw DriverError("the passphrase " + inQuotes(passphrase) + " does not open " +
                          inQuotes(notePath));
    }
    std::string text;
    if (!document.gettext(text))
        throw DriverError("the storage code cannot decrypt " + inQuotes(notePath));
    return text;
}

Process& QuilloxTest::startEditor(const std::string& args) {
    return family_->start(editor_, args, "the editor started with " + inQuotes(args));
}

Process& QuilloxTest::startNote(const std::string& notePath) {
    return family_->start(notePath, {}, "the note " + inQuotes(baseName(notePath)));
}

std::vector<std::string> QuilloxTest::tempCopies() const {
    return listFiles(temp_, "Quillox-*.exe");
}

std::string QuilloxTest::waitTempCopy() {
    std::vector<std::string> copies;
    waitUntil([&] { return !(copies = tempCopies()).empty(); },
              "a temporary copy Quillox-XXXX.exe in " + inQuotes(temp_));
    if (copies.size() != 1) throw DriverError("more than one temporary copy in " + inQuotes(temp_));
    return joinPath(temp_, copies.front());
}

HWND QuilloxTest::waitPrompt(DWORD pid) {
    WindowQuery query = dialogTitled(kPromptTitle);
    query.pid = pid;
    return waitWindow(query);
}

void QuilloxTest::submitPassphrase(HWND prompt, const std::string& passphrase) {
    // Typed key by key; the button's click is posted after the characters, so it arrives after
    // them.
    postChars(control(prompt, IdPassphrase, "Edit"), passphrase);
    pressButton(prompt, IdPassphraseOk);
    waitGone(prompt, "the passphrase prompt");
}

EditorWindow QuilloxTest::waitEditor(const std::string& title, DWORD pid) {
    WindowQuery query;
    query.className = kMainClass;
    query.title = title;
    query.pid = pid;
    EditorWindow editor;
    editor.window = waitWindow(query);
    GetWindowThreadProcessId(editor.window, &editor.pid);
    editor.editor = descendant(editor.window, "RichEdit20W");
    return editor;
}

OpenedNote QuilloxTest::openNote(const std::string& notePath, const std::string& passphrase,
                                 const std::string& titleSuffix) {
    OpenedNote opened = startOpening(notePath);
    HWND prompt = waitPrompt();
    submitPassphrase(prompt, passphrase);
    opened.editor = waitEditor(mainTitle(notePath) + titleSuffix);
    return opened;
}

OpenedNote QuilloxTest::startOpening(const std::string& notePath) {
    OpenedNote opened;
    opened.firstMember = family_->members().size();
    opened.note = &startNote(notePath);
    opened.copyPath = waitTempCopy();
    return opened;
}

void QuilloxTest::closeAndExpectCleanEnd(OpenedNote& opened) {
    postClose(opened.editor.window);
    expectCleanEnd(opened);
}

void QuilloxTest::expectCleanEnd(const OpenedNote& opened) {
    const std::string noteImage = baseName(opened.note->imagePath());
    Process& copy =
        family_->waitMember(baseName(opened.copyPath), 0, kPatience, opened.firstMember);
    EXPECT_EQ(copy.waitExit(kPatience), 0u) << "exit code of the temporary copy";
    // The erase run is the second process of the note's image in the family.
    Process& erase = family_->waitMember(noteImage, 1, kPatience, opened.firstMember);
    EXPECT_EQ(erase.waitExit(kPatience), 0u) << "exit code of the erase run of the note";
    waitUntil([&] { return !fileExists(opened.copyPath); },
              "the temporary copy " + inQuotes(opened.copyPath) + " to be erased");
    family_->waitAllEnded(kPatience);
    const auto members = family_->members();
    for (std::size_t i = opened.firstMember; i < members.size(); ++i) {
        const auto& process = members[i].process;
        if (!process->valid()) continue;
        EXPECT_EQ(process->waitExit(0), 0u) << "exit code of " << process->imagePath();
    }
    EXPECT_TRUE(tempCopies().empty()) << "temporary copies left in " << temp_;
}

void QuilloxTest::answerSetPassphrase(const std::string& first, const std::string& second,
                                      DWORD pid) {
    WindowQuery query = dialogTitled(kSetPassphraseTitle);
    query.pid = pid;
    HWND dialog = waitWindow(query);
    setText(control(dialog, IdPassphrase, "Edit"), first);
    setText(control(dialog, IdPassphraseRepeat, "Edit"), second);
    pressButton(dialog, IdPassphraseOk);
}

void QuilloxTest::chooseFile(const std::string& dialogTitle, const std::string& filePath,
                             DWORD pid) {
    WindowQuery query = dialogTitled(dialogTitle);
    query.pid = pid;
    HWND dialog = waitWindow(query);
    // The file name field: the edit inside the combo box cmb13 (1148) of the Explorer-style dialog.
    HWND name = nullptr;
    for (HWND child = FindWindowExA(dialog, nullptr, nullptr, nullptr); child && !name;
         child = FindWindowExA(dialog, child, nullptr, nullptr)) {
        if (GetDlgCtrlID(child) != 1148) continue;
        name = className(child) == "Edit" ? child : descendant(child, "Edit");
    }
    if (!name) throw DriverError("no file name field in the dialog " + inQuotes(dialogTitle));
    setText(name, filePath);
    pressButton(dialog, IDOK);
    waitGone(dialog, "the file dialog " + inQuotes(dialogTitle));
}

std::string QuilloxTest::screenshot(HWND window, const std::string& what) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return saveScreenshot(window,
                          std::string(info->test_suite_name()) + "-" + info->name() + "-" + what);
}

void QuilloxTest::appendText(EditorWindow& window, const std::string& text,
                             const std::string& expected) {
    pressChord(window.window, {VK_CONTROL, VK_END});
    typeText(window.window, text);
    waitUntil([&] { return window.text() == expected; }, "the editor to show " + inQuotes(expected));
}

}  // namespace e2e
