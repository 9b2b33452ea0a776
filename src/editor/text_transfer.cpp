#include "editor/text_transfer.h"

#include <richedit.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/error_box.h"
#include "editor/command_rules.h"
#include "editor/file_dialogs.h"
#include "editor/main_window.h"
#include "editor/win_handles.h"
#include "editor/window_rules.h"
#include "storage/file.h"

namespace {

using namespace std::string_view_literals;

// Bytes move straight between the control's buffer and the file, chunk by chunk; the cookie is
// the open file handle.
DWORD CALLBACK readFromFile(DWORD_PTR cookie, LPBYTE data, LONG count, LONG* done) {
    const HANDLE file = reinterpret_cast<HANDLE>(cookie);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, data, static_cast<DWORD>(count), &read, nullptr);
    if (ok && read == static_cast<DWORD>(count)) {
        // More may follow: a CR at the end is read again with the next chunk.
        const std::size_t keep = chunkWithoutSplitLineEnd(reinterpret_cast<const char*>(data), read);
        if (keep < read && SetFilePointer(file, -1, nullptr, FILE_CURRENT) != INVALID_SET_FILE_POINTER)
            read = static_cast<DWORD>(keep);
    }
    *done = static_cast<LONG>(read);
    return ok ? 0 : static_cast<DWORD>(-1);
}

DWORD CALLBACK writeToFile(DWORD_PTR cookie, LPBYTE data, LONG count, LONG* done) {
    DWORD written = 0;
    const BOOL ok = WriteFile(reinterpret_cast<HANDLE>(cookie), data, static_cast<DWORD>(count),
                              &written, nullptr);
    *done = static_cast<LONG>(written);
    return ok && written == static_cast<DWORD>(count) ? 0 : static_cast<DWORD>(-1);
}

std::int64_t editorCharacters(HWND editor) {
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
    return SendMessageA(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
}

// Streams the editor out into `path`; true only when every byte reached the disk.
bool writeEditorToFile(HWND editor, const std::string& path) {
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.get());
    stream.pfnCallback = writeToFile;
    SendMessageA(editor, EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0 && FlushFileBuffers(file.get());
}

}  // namespace

void importText(MainWindow& main) {
    std::string path;
    if (!chooseOpenFile("Text Files (*.txt)\0*.txt"sv, main.window(), path)) return;
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        showError("Error loading file!");
        return;
    }

    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.get());
    stream.pfnCallback = readFromFile;
    SendMessageA(main.editor(), EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));

    // The control stops at its limit without a word; the user must not believe the whole file
    // arrived.
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return;
    file.reset();
    if (importWasCut(static_cast<std::uint64_t>(size.QuadPart), editorCharacters(main.editor()),
                     kEditorTextLimit)) {
        MessageBoxA(main.window(),
                    "The file is larger than the editor can hold: the text was cut at 4,194,304 "
                    "characters.",
                    "Quillox", MB_OK | MB_ICONINFORMATION);
    }
}

void exportText(MainWindow& main) {
    std::string path;
    if (!chooseSaveFile("*.txt", main.window(), path)) return;

    // A file the user already has is replaced in one step, never left half-written: the text goes
    // to a temporary file beside it first.
    const std::string temporary = file::createTemporaryBeside(path);
    if (temporary.empty()) {
        showError("Error saving file!");
        return;
    }
    if (!writeEditorToFile(main.editor(), temporary) ||
        !file::replace(temporary.c_str(), path.c_str())) {
        file::remove(temporary.c_str());
        showError("Error saving file!");
    }
}
