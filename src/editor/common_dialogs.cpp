#include "editor/common_dialogs.h"

#include "base/dll_search.h"

namespace {

// Loaded once and kept for the rest of the run, like every library the editor loads.
HMODULE dialogLibrary() {
    static const HMODULE library = loadSystemLibrary("comdlg32.dll");
    return library;
}

template <typename Fn>
Fn dialogFunction(const char* name) {
    const HMODULE library = dialogLibrary();
    return library != nullptr ? libraryFunction<Fn>(library, name) : nullptr;
}

using FileDialogFn = BOOL(WINAPI*)(OPENFILENAMEW*);

}  // namespace

BOOL showOpenFileDialog(OPENFILENAMEW* record) {
    const auto show = dialogFunction<FileDialogFn>("GetOpenFileNameW");
    return show != nullptr ? show(record) : FALSE;
}

BOOL showSaveFileDialog(OPENFILENAMEW* record) {
    const auto show = dialogFunction<FileDialogFn>("GetSaveFileNameW");
    return show != nullptr ? show(record) : FALSE;
}

HWND showFindDialog(FINDREPLACEW* record) {
    const auto show = dialogFunction<HWND(WINAPI*)(FINDREPLACEW*)>("FindTextW");
    return show != nullptr ? show(record) : nullptr;
}
