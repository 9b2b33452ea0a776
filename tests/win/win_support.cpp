#include "win_support.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

struct FindContext {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM lParam) {
    auto* context = reinterpret_cast<FindContext*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != context->processId) return TRUE;
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    if (std::string(title) != context->title) return TRUE;
    context->found = window;
    return FALSE;
}

}  // namespace

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH + 1];
    GetTempPathA(sizeof temp, temp);
    static unsigned counter = 0;
    for (;;) {
        char name[64];
        std::snprintf(name, sizeof name, "qxwin-%lu-%u", GetCurrentProcessId(), counter++);
        path_ = std::string(temp) + name;
        if (CreateDirectoryA(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("no scratch folder");
    }
}

ScratchFolder::~ScratchFolder() {
    removeTree(path_);
}

std::string ScratchFolder::operator/(const std::string& name) const {
    for (std::size_t slash = name.find('\\'); slash != std::string::npos;
         slash = name.find('\\', slash + 1))
        CreateDirectoryA((path_ + "\\" + name.substr(0, slash)).c_str(), nullptr);
    return path_ + "\\" + name;
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string converted = "Z:" + path;
    for (char& c : converted)
        if (c == '/') c = '\\';
    return converted;
}

std::string editorPath() {
    return windowsPath(QUILLOX_EDITOR);
}

bool haveDisplay() {
    HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (probe == nullptr) return false;
    DestroyWindow(probe);
    return true;
}

HWND findWindowOf(DWORD processId, const char* title) {
    FindContext context{processId, title, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

std::string messageBoxText(HWND box) {
    // Windows numbers the box's text 0xFFFF, Wine 100.
    char text[512] = {};
    if (GetDlgItemTextA(box, 0xFFFF, text, sizeof text) == 0)
        GetDlgItemTextA(box, 100, text, sizeof text);
    return text;
}

ChildResult runChild(const std::string& commandLine, DWORD timeoutMs, void (*whileRunning)(void*),
                     void* context) {
    ChildResult result;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return result;
    CloseHandle(process.hThread);
    if (whileRunning != nullptr) whileRunning(context);

    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
        if (HWND box = findWindowOf(process.dwProcessId, "Quillox::error")) {
            result.errorBoxes.push_back(messageBoxText(box));
            SendMessageA(box, WM_COMMAND, IDOK, 0);
            Sleep(100);
        }
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hProcess);
            return result;
        }
    }
    result.ended = true;
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hProcess);
    return result;
}
