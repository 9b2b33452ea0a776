#include "editor/file_dialogs.h"

#include "editor/command_rules.h"
#include "editor/common_dialogs.h"
#include "storage/buffer.h"
#include "storage/system_path.h"

namespace {

enum class DialogKind { Open, Save };

bool runFileDialog(DialogKind kind, std::string_view filterText, HWND owner, String& path,
                   const char* defaultExtension) {
    WString directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    const WString filter = widePath(buildFilterBuffer(filterText));
    // Room for the longest path Windows names, so that a long one is never cut.
    WString file(32768, L'\0');

    // The record without the trailing reserved and extended-flags fields, which the dialogs of
    // every Windows version accept.
    OPENFILENAMEW record{};
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    record.hwndOwner = owner;
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = 1;
    record.lpstrFile = file.data();
    record.nMaxFile = static_cast<DWORD>(file.size());
    record.lpstrInitialDir = directory.c_str();

    BOOL confirmed = FALSE;
    if (kind == DialogKind::Open) {
        record.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_CREATEPROMPT;
        confirmed = showOpenFileDialog(&record);
    } else {
        record.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT;
        confirmed = showSaveFileDialog(&record);
    }
    if (!confirmed) return false;

    file.resize(file.find(L'\0'));
    // The dialog counts the offset in UTF-16 units; the rule takes it in the path's UTF-8 bytes.
    const std::size_t extension = utf8Path(file.substr(0, record.nFileExtension)).size();
    path = withDefaultExtension(utf8Path(file), extension, defaultExtension);
    return true;
}

}  // namespace

bool chooseOpenFile(std::string_view filterText, HWND owner, String& path) {
    return runFileDialog(DialogKind::Open, filterText, owner, path, nullptr);
}

bool chooseSaveFile(std::string_view filterText, HWND owner, String& path,
                    const char* defaultExtension) {
    return runFileDialog(DialogKind::Save, filterText, owner, path, defaultExtension);
}
