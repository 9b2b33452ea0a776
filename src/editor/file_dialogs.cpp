#include "editor/file_dialogs.h"

#include "editor/command_rules.h"
#include "editor/common_dialogs.h"

namespace {

enum class DialogKind { Open, Save };

bool runFileDialog(DialogKind kind, std::string_view filterText, HWND owner, std::string& path,
                   const char* defaultExtension) {
    char directory[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof(directory), directory);
    const std::string filter = buildFilterBuffer(filterText);
    char file[MAX_PATH + 1] = {};

    // The record without the trailing reserved and extended-flags fields, which the dialogs of
    // every Windows version accept.
    OPENFILENAMEA record{};
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = owner;
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = 1;
    record.lpstrFile = file;
    record.nMaxFile = sizeof(file);
    record.lpstrInitialDir = directory;

    BOOL confirmed = FALSE;
    if (kind == DialogKind::Open) {
        record.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_CREATEPROMPT;
        confirmed = showOpenFileDialog(&record);
    } else {
        record.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT;
        confirmed = showSaveFileDialog(&record);
    }
    if (!confirmed) return false;

    path = withDefaultExtension(file, record.nFileExtension, defaultExtension);
    return true;
}

}  // namespace

bool chooseOpenFile(std::string_view filterText, HWND owner, std::string& path) {
    return runFileDialog(DialogKind::Open, filterText, owner, path, nullptr);
}

bool chooseSaveFile(std::string_view filterText, HWND owner, std::string& path,
                    const char* defaultExtension) {
    return runFileDialog(DialogKind::Save, filterText, owner, path, defaultExtension);
}
