#include "startup/startup.h"

#include <shellapi.h>

#include <cstdlib>
#include <memory>

#include "base/app_state.h"
#include "base/dll_search.h"
#include "base/error_box.h"
#include "dialogs/passphrase_dialogs.h"
#include "editor/find.h"
#include "editor/main_window.h"
#include "editor/view.h"
#include "resources/resource.h"
#include "startup/command_line.h"
#include "startup/relaunch.h"
#include "startup/temp_name.h"
#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/note_document.h"
#include "storage/out_of_memory.h"
#include "storage/passphrase.h"
#include "storage/system_path.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

constexpr int kFailure = -1;

// Set once the "-edit" file is known to be a note (its block was found, or its trailer is there
// but damaged). From then on every end of a run started with "-edit" hands the running executable
// to that note for deletion, so that temporary copies never pile up. A file without any block is
// not one of ours and is never started.
bool noteClaimsCopy = false;

// The longest path Windows names at all: 32,767 UTF-16 units and the terminator.
constexpr std::size_t kLongestPath = 32768;

// What `path` carries at its end: None for a block; NotANote for none, with the system's reason
// when the file could not even be opened; Damaged for a trailer that is there but broken or
// cannot be read.
IoStatus blockStatus(const String& path) {
    const FileEndData block(path, true);
    if (block.trailerFault() != TrailerFault::None) return {IoFault::Damaged, block.trailerError()};
    return block.hasData() ? IoStatus{} : IoStatus{IoFault::NotANote, block.openError()};
}

// A disposable copy is a bare editor image that the relaunch made in the temporary folder. An
// executable that carries a note holds its user's text, and an editor the user started with
// "-edit" from anywhere else is the user's own program: neither is handed over for deletion,
// whatever its command line said.
bool runningExecutableIsDisposable() {
    String temporary;
    if (!tempDirectory(temporary) || !isTempName(temporary, appState().modulePath)) return false;
    return blockStatus(appState().modulePath).fault == IoFault::NotANote;
}

void launchEraseOfSelf() {
    const AppState& state = appState();
    if (!state.eraseOnExit || !noteClaimsCopy || state.notePath.empty()) return;
    if (!runningExecutableIsDisposable()) return;
    launchProcess(state.notePath, "-erase:\"" + state.modulePath + "\"");
}

[[noreturn]] void endRun(int code) {
    launchEraseOfSelf();
    std::exit(code);
}

[[noreturn]] void failWith(const char* message) {
    showError(message);
    endRun(kFailure);
}

[[noreturn]] void failLoading(const IoStatus& status) {
    failWith(failureText("Error loading file!", status.systemError).c_str());
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

// The full path of this executable, of any length.
String modulePathOf(HINSTANCE instance) {
    WString path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return String();
        if (n < path.size()) return utf8Path(std::wstring_view(path.data(), n));
        // A cut path would name another file in every copy, save and switch built from it.
        if (path.size() >= kLongestPath) return String();
        path.resize(path.size() * 2);
    }
}

void gatherStartupState() {
    AppState& state = appState();
    state.instance = GetModuleHandleA(nullptr);
    state.modulePath = modulePathOf(state.instance);
    if (state.modulePath.empty()) failWith("Error loading file!");
    initCommonControls();
    state.findMessage = RegisterWindowMessageA("commdlg_FindReplace");
    if (loadSystemLibrary("RichEd20.DLL") == nullptr) failWith("Error loading RichEdit control!");
    std::srand(GetTickCount());
}

// The prompt until a passphrase opens the note. Each entry is wiped as soon as the key is made
// from it. The passphrase is checked by decrypting the text itself, which the window then takes:
// a check of its own first would decrypt and hash the whole note twice.
void askPassphrase(NoteDocument& document, String& storedText) {
    for (;;) {
        U16String passphrase;
        const INT_PTR result = showEnterPassphraseDialog(passphrase);
        if (result == 0) endRun(0);
        if (result != 1) endRun(kFailure);
        const Opened opened = openWithPassphrase(document, passphrase, kAnsiCodePage, &storedText);
        secureWipe(passphrase);
        if (opened == Opened::Weakened)
            MessageBoxA(nullptr,
                        (String(kWeakenedNoteWarning) +
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
    // control holds it, and by the buffer itself on any return that comes first.
    String storedText;

    if (state.notePath.empty()) {
        const IoStatus own = blockStatus(state.modulePath);
        if (own) return relaunchThroughTemp() ? 0 : kFailure;
        if (own.fault == IoFault::Damaged) failLoading(own);
    } else if (const IoStatus opened = openNoteForEdit(*document, state.notePath, storedText);
               !opened) {
        failLoading(opened);
    }

    MainWindow mainWindow(std::move(document), storedText);
    if (!mainWindow.window()) endRun(kFailure);
    if (!state.notePath.empty()) mainWindow.updateTitle(state.notePath.c_str());
    runMessageLoop(mainWindow.window());
    launchEraseOfSelf();
    return 0;
}

// The arguments as the system holds them, in UTF-8, each followed by a NUL: the C runtime's argv
// would have passed them through the ANSI code page.
String wideArguments(int& count) {
    String joined;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (list == nullptr) count = 0;
    for (int i = 0; i < count; ++i) {
        joined += utf8Path(list[i]);
        joined += '\0';
    }
    LocalFree(list);
    return joined;
}

}  // namespace

void parseCommandLine() {
    int count = 0;
    const String arguments = wideArguments(count);
    Buffer<const char*> argv;
    for (const char* at = arguments.data(); argv.size() < static_cast<std::size_t>(count);
         at += std::strlen(at) + 1)
        argv.push_back(at);
    const CommandLine line = parseArguments(static_cast<int>(argv.size()), argv.data());
    if (line.action == CommandLine::Action::Erase) std::exit(eraseTempCopy(line.erasePath));
    AppState& state = appState();
    state.notePath = line.notePath;
    state.eraseOnExit = line.eraseOnExit;
    if (line.action == CommandLine::Action::Malformed) failWith("Malformed commandline argument!");
}

IoStatus openNoteForEdit(NoteDocument& document, const String& path, String& storedText) {
    const IoStatus block = blockStatus(path);
    noteClaimsCopy = block || block.fault == IoFault::Damaged;
    if (!block) return block;
    if (const IoStatus loaded = document.load(path); !loaded) return loaded;
    askPassphrase(document, storedText);
    return {};
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
        if (lockByChordInFind(mainWindow, find, message)) continue;
        if (find != nullptr && IsDialogMessageW(find, &message)) continue;
        if (zoomByWheel(mainWindow, message)) continue;
        if (acceleratorsApplyTo(mainWindow, message) &&
            TranslateAcceleratorW(mainWindow, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int runQuillox() {
    setOutOfMemoryNotice([] {
        failWith(
            "Quillox has run out of memory and must close.\n\n"
            "The note file is as the last save left it.");
    });
    restrictDllSearch();
    gatherStartupState();
    return runRoads();
}
