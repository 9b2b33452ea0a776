#include "startup/relaunch.h"

#include <windows.h>

#include "base/app_state.h"
#include "base/error_box.h"
#include "base/win_handles.h"
#include "startup/temp_name.h"
#include "storage/buffer.h"
#include "storage/file.h"
#include "storage/file_end_data.h"
#include "storage/image_copy.h"
#include "storage/io_status.h"
#include "storage/system_path.h"

namespace {

// A name held open by a copy that is still running cannot be written; a few fresh names are
// tried before giving up (the first name and eight more).
constexpr int kNameAttempts = 9;
constexpr int kEraseAttempts = 30;
constexpr DWORD kErasePauseMs = 100;

// True when `path` can be opened for writing without sharing, that is no running program holds it.
bool nameIsFree(const String& path) {
    file::Scoped probe;
    file::open(*probe.receive(), path.c_str(), true, true);
    return static_cast<bool>(probe);
}

// The copy of the running executable's first `imageLength` bytes, written to `copyPath`.
IoStatus writeTempCopy(std::uint32_t imageLength, String& copyPath) {
    String directory;
    if (!tempDirectory(directory)) return systemFailure(IoFault::NotWritten);
    const String& image = appState().modulePath;
    // Should every name be held by a running copy, the last refusal says why.
    IoStatus held{IoFault::NotWritten};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        String name;
        if (!buildTempName(directory, static_cast<unsigned>(std::rand()), name)) return held;
        if (!nameIsFree(name)) {
            held = systemFailure(IoFault::NotWritten);
            continue;
        }
        if (copyImage(image.c_str(), name.c_str(), imageLength)) {
            copyPath = name;
            return {};
        }
        // Taken before the remove, which may overwrite it.
        const IoStatus failed = systemFailure(IoFault::NotWritten);
        file::remove(name.c_str());
        return failed;
    }
    return held;
}

}  // namespace

bool tempDirectory(String& directory) {
    // The first call tells the length the second needs, terminator included.
    const DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return false;
    WString buffer(needed, L'\0');
    const DWORD n = GetTempPathW(needed, buffer.data());
    if (n == 0 || n >= needed) return false;
    buffer.resize(n);
    directory = utf8Path(buffer);
    return true;
}

bool relaunchThroughTemp() {
    const String& image = appState().modulePath;
    String copyPath;
    // A trailer broken since the start-up looked is damage.
    const FileEndData block(image, true);
    const IoStatus copied = block.trailerFault() != TrailerFault::None
                                ? IoStatus{IoFault::Damaged, block.trailerError()}
                                : writeTempCopy(block.offset(), copyPath);
    if (!copied) {
        showError(failureText("Error copying file!", copied.systemError).c_str());
        return false;
    }
    launchProcess(copyPath.c_str(), String("-edit:\"") + image + "\"");
    return true;
}

int eraseTempCopy(const String& path) {
    // Only a copy the relaunch made is ever deleted: the switch is open to anyone who can start
    // the program, and any other name would make it a tool for deleting the user's files.
    String directory;
    if (!tempDirectory(directory) || !isTempName(directory, path)) {
        showError("Malformed commandline argument!");
        return -1;
    }
    int refusal = 0;
    for (int attempt = 0; attempt < kEraseAttempts; ++attempt) {
        if (!file::exists(path.c_str())) return -1;
        if (file::remove(path.c_str())) return 0;
        refusal = file::lastError();
        Sleep(kErasePauseMs);
    }
    showError(failureText("Error erasing tempfile!", refusal).c_str());
    return -1;
}

bool launchProcess(const String& executable, const String& arguments) {
    // CreateProcessW may write into the command line, so it gets a buffer of its own.
    WString commandLine = widePath("\"" + executable + "\" " + arguments);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    const UniqueHandle<KernelHandleTraits> processHandle(process.hProcess);
    const UniqueHandle<KernelHandleTraits> threadHandle(process.hThread);
    return true;
}
