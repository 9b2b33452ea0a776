#include "startup/startup.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/app_state.h"
#include "base/dll_search.h"
#include "base/error_box.h"
#include "dialogs/passphrase_dialogs.h"
#include "editor/find.h"
#include "editor/main_window.h"
#include "resources/resource.h"
#include "startup/command_line.h"
#include "startup/relaunch.h"
#include "startup/temp_name.h"
#include "storage/code_page.h"
#include "storage/crypto/aes.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "storage/passphrase.h"
#include "storage/report.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

constexpr int kFailure = -1;

// Set once the "-edit" file is known to be a note (its block was found, or its trailer is there
// but damaged). From then on every end of a run started with "-edit" hands the running executable
// to that note for deletion, so that temporary copies never pile up. A file without any block is
// not one of ours and is never started.
bool noteClaimsCopy = false;

bool carriesBlock(const char* path) {
    FileEndData block(path, true);
    return block.hasData();
}

// A disposable copy is a bare editor image that the relaunch made in the temporary folder. An
// executable that carries a note holds its user's text, and an editor the user started with
// "-edit" from anywhere else is the user's own program: neither is handed over for deletion,
// whatever its command line said.
bool runningExecutableIsDisposable() {
    std::string temporary;
    if (!tempDirectory(temporary) || !isTempName(temporary, appState().modulePath)) return false;
    try {
        return !carriesBlock(appState().modulePath);
    } catch (const FileEndData::FEDError&) {
        return false;
    } catch (const file::FileError&) {
        return false;
    }
}

void launchEraseOfSelf() {
    const AppState& state = appState();
    if (!state.eraseOnExit || !noteClaimsCopy || state.notePath.empty()) return;
    if (!runningExecutableIsDisposable()) return;
    launchProcess(state.notePath.c_str(), std::string("-erase:\"") + state.modulePath + "\"");
}

[[noreturn]] void endRun(int code) {
    launchEraseOfSelf();
    std::exit(code);
}

[[noreturn]] void failWith(const char* message) {
    showError(message);
    endRun(kFailure);
}

// Nothing the editor shows needs more of the common controls than their registration, so a
// system without the library still runs the editor.
void initCommonControls() {
    using InitCommonControlsFn = void(WINAPI*)();
    HMODULE controls = loadSystemLibrary("comctl32.dll");
    if (controls == nullptr) return;
    auto init = libraryFunction<InitCommonControlsFn>(controls, "InitCommonControls");
    if (init != nullptr) init();
}

constexpr const char* kInexpressiblePath =
    "The path of this note contains characters that Quillox cannot use: they are outside the "
    "character set of this Windows. Move or rename the note so that its folder and name use none "
    "of them, then open it again.";

// The narrow API hands over a path with characters outside the ANSI code page as "?" or as a
// look-alike character: every file operation would then reach another file, or none. Such a
// start ends before anything touches a file.
void requireNarrowForm(const wchar_t* wide, const char* narrow) {
    const std::u16string_view text(reinterpret_cast<const char16_t*>(wide));
    std::string converted;
    if (!toCodePageExactly(text, kAnsiCodePage, converted) || converted != narrow)
        failWith(kInexpressiblePath);
}

void gatherStartupState() {
    AppState& state = appState();
    state.instance = GetModuleHandleA(nullptr);
    const DWORD n = GetModuleFileNameA(state.instance, state.modulePath, sizeof state.modulePath);
    // A cut path would name another file in every copy, save and switch built from it.
    if (n == 0 || n >= sizeof state.modulePath) failWith("Error loading file!");
    wchar_t wideModule[sizeof state.modulePath];
    const DWORD wideLength =
        GetModuleFileNameW(state.instance, wideModule, sizeof state.modulePath);
    if (wideLength == 0 || wideLength >= sizeof state.modulePath) failWith("Error loading file!");
    requireNarrowForm(wideModule, state.modulePath);
    initCommonControls();
    state.findMessage = RegisterWindowMessageA("commdlg_FindReplace");
    if (loadSystemLibrary("RichEd20.DLL") == nullptr) failWith("Error loading RichEdit control!");
    std::srand(GetTickCount());
    buildaestables();
}

// The prompt until a passphrase opens the note. Each entry is wiped as soon as the key is made
// from it. The passphrase is checked by decrypting the text itself, which the window then takes:
// a check of its own first would decrypt and hash the whole note twice.
void askPassphrase(NoteDocument& document, std::string& storedText) {
    for (;;) {
        std::u16string passphrase;
        const INT_PTR result = ShowEnterPassphraseDialog(passphrase);
        if (result == 0) endRun(0);
        if (result != 1) endRun(kFailure);
        const Opened opened = openWithPassphrase(document, passphrase, kAnsiCodePage, &storedText);
        secureWipe(passphrase);
        if (opened == Opened::Weakened)
            MessageBoxA(nullptr,
                        (std::string(kWeakenedNoteWarning) +
                         " (File > Set or change passphrase) to protect it fully.")
                            .c_str(),
                        "Quillox", MB_OK | MB_ICONWARNING);
        if (opened != Opened::No) return;
        showError("Invalid passphrase!");
    }
}

int runRoads() {
    parseCommandLine();
    AppState& state = appState();
    auto document = std::make_unique<NoteDocument>(state.modulePath);
    // The note's text in clear between the prompt and the window: wiped by the window once the
    // control holds it, and here on a return or an exception that comes first.
    std::string storedText;
    struct Wiper {
        std::string& text;
        ~Wiper() { secureWipe(text); }
    } wiper{storedText};

    if (state.notePath.empty()) {
        if (carriesBlock(state.modulePath)) return relaunchThroughTemp() ? 0 : kFailure;
    } else if (!openNoteForEdit(*document, state.notePath, storedText)) {
        failWith("Error loading file!");
    }

    MainWindow mainWindow(std::move(document), storedText);
    if (!state.notePath.empty()) mainWindow.updateTitle(state.notePath.c_str());
    runMessageLoop(mainWindow.window());
    launchEraseOfSelf();
    return 0;
}

}  // namespace

void parseCommandLine() {
    requireNarrowForm(GetCommandLineW(), GetCommandLineA());
    const CommandLine line = parseArguments(__argc, __argv);
    if (line.action == CommandLine::Action::Erase) eraseTempCopy(line.erasePath.c_str());
    AppState& state = appState();
    state.notePath = line.notePath;
    state.eraseOnExit = line.eraseOnExit;
    if (line.action == CommandLine::Action::Malformed) failWith("Malformed commandline argument!");
}

bool openNoteForEdit(NoteDocument& document, const std::string& path, std::string& storedText) {
    try {
        if (!carriesBlock(path.c_str())) return false;
    } catch (const FileEndData::FEDError&) {
        noteClaimsCopy = true;
        throw;
    }
    noteClaimsCopy = true;
    if (!document.load(path)) failWith("Error loading file!");
    askPassphrase(document, storedText);
    return true;
}

void runMessageLoop(HWND mainWindow) {
    HACCEL accelerators =
        LoadAcceleratorsA(appState().instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG message;
    // The loop is the wide one: a character typed outside the ANSI code page (a Unicode key
    // event from any keyboard layout or input method) stays itself on its way to the editor.
    // GetMessageW gives -1 when it fails; that ends the loop like WM_QUIT rather than spinning.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND find = findDialogHandle();
        if (find != nullptr && IsDialogMessageW(find, &message)) continue;
        if (TranslateAcceleratorW(mainWindow, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int runQuillox() {
    restrictDllSearch();
    report::setSink(showError);
    gatherStartupState();
    try {
        return runRoads();
    } catch (const FileEndData::FEDError&) {
        failWith("Error loading file!");
    } catch (const file::FileError&) {
        failWith("Error loading file!");
    } catch (const std::exception&) {
        endRun(kFailure);
    }
}
