#include "editor/text_transfer.h"

#include <cstdint>
#include <string_view>

#include "base/error_box.h"
#include "editor/command_rules.h"
#include "editor/file_dialogs.h"
#include "editor/main_window.h"
#include "editor/richedit.h"
#include "base/win_handles.h"
#include "editor/window_rules.h"
#include "storage/buffer.h"
#include "storage/code_page.h"
#include "storage/file.h"
#include "storage/io_status.h"
#include "storage/system_path.h"
#include "storage/text_encoding.h"
#include "storage/wipe.h"

namespace {

using namespace std::string_view_literals;

// The most of a file that Import reads: the control's limit in the widest form a character of the
// control can take (a CR LF pair of UTF-16, four bytes), with room for a byte-order mark. More
// could never be shown.
constexpr DWORD kImportBytes = kEditorTextLimit * 4 + 4;

// Reads the whole file at `path`, up to kImportBytes. The bytes are plaintext: the caller wipes
// them, whatever the status.
IoStatus readFileBytes(const String& path, String& bytes, bool& cut) {
    FileHandle file(
        CreateFileW(widePath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return systemFailure(IoFault::Unreadable);
    cut = size.QuadPart > kImportBytes;
    bytes.resize(static_cast<std::size_t>(cut ? kImportBytes : size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        !ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr))
        return systemFailure(IoFault::Unreadable);
    bytes.resize(read);
    // A cut UTF-8 file must not lose its encoding for a character split at the end.
    if (cut) bytes.resize(utf8Boundary(bytes));
    return {};
}

U16String decodeImported(std::string_view bytes) {
    U16String text;
    if (!decodeTextFile(bytes, detectTextFile(bytes), text))
        fromCodePage(bytes, kAnsiCodePage, text);
    return text;
}

// The bytes Export writes: the ANSI code page when the text fits it, as every text file was
// written before; otherwise UTF-8 behind a byte-order mark, which every Windows editor reads
// back right.
String exportedForm(std::u16string_view text) {
    // Both forms are plaintext: the page's attempt and the UTF-8 copy are wiped before they are
    // let go, and the result is sized once so that appending never leaves a copy behind.
    String bytes;
    if (toCodePageExactly(text, kAnsiCodePage, bytes)) return bytes;
    secureWipe(bytes);
    String utf8 = utf16ToUtf8(text);
    String out;
    out.reserve(sizeof kUtf8Bom + utf8.size());
    out = kUtf8Bom;
    out += utf8;
    secureWipe(utf8);
    return out;
}

// Writes `bytes` to `path`; a failure unless every byte reached the disk. The status is made
// before the handle closes, so the error is the failed step's own.
IoStatus writeFileBytes(const String& path, std::string_view bytes) {
    FileHandle file(
        CreateFileW(widePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return systemFailure(IoFault::NotWritten);
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) ||
                           written != bytes.size()))
        return systemFailure(IoFault::NotWritten);
    if (!FlushFileBuffers(file.get())) return systemFailure(IoFault::NotWritten);
    return {};
}

}  // namespace

void importText(MainWindow& main) {
    String path;
    if (!chooseOpenFile("Text Files (*.txt)\0*.txt"sv, main.window(), path)) return;
    String bytes;
    bool cut = false;
    if (const IoStatus read = readFileBytes(path, bytes, cut); !read) {
        secureWipe(bytes);
        showError(failureText("Error loading file!", read.systemError).c_str());
        return;
    }
    U16String text = decodeImported(bytes);
    secureWipe(bytes);
    main.setEditorText(text);
    const std::uint64_t characters = controlCharacters(text);
    secureWipe(text);

    // The control stops at its limit without a word; the user must not believe the whole file
    // arrived.
    if (cut || importWasCut(characters, editorCharacters(main.editor()), kEditorTextLimit)) {
        MessageBoxA(main.window(),
                    "The file is larger than the editor can hold: the text was cut at 4,194,304 "
                    "characters.",
                    "Quillox", MB_OK | MB_ICONINFORMATION);
    }
}

void exportText(MainWindow& main) {
    String path;
    if (!chooseSaveFile("*.txt", main.window(), path)) return;

    // A file the user already has is replaced in one step, never left half-written: the text goes
    // to a temporary file beside it first.
    const String temporary = file::createTemporaryBeside(path);
    if (temporary.empty()) {
        showError(failureText("Error saving file!", file::lastError()).c_str());
        return;
    }
    U16String text;
    main.getEditorText(text);
    String bytes = exportedForm(text);
    secureWipe(text);
    IoStatus written = writeFileBytes(temporary, bytes);
    secureWipe(bytes);
    if (written && !file::replace(temporary.c_str(), path.c_str()))
        written = systemFailure(IoFault::NotWritten);
    if (written) return;
    file::remove(temporary.c_str());
    showError(failureText("Error saving file!", written.systemError).c_str());
}
