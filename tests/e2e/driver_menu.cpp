#include "driver_menu.h"

#include "driver_files.h"
#include "driver_process.h"
#include "driver_wait.h"

#include <psapi.h>

#include <cstring>
#include <string>

namespace e2e {

namespace {

std::string probePath() {
    return fullPath(windowsPath(E2E_MENU_PROBE));
}

// Runs `start(parameter)` on a new thread of the program and answers the thread's exit code.
DWORD runRemote(HANDLE process, LPTHREAD_START_ROUTINE start, void* parameter) {
    Handle thread(CreateRemoteThread(process, nullptr, 0, start, parameter, 0, nullptr));
    if (!thread) throw DriverError("cannot start a thread in the program to read its menu");
    if (WaitForSingleObject(thread.get(), kPatience) != WAIT_OBJECT_0) {
        throw DriverError("timed out waiting for the menu probe thread");
    }
    DWORD code = 0;
    GetExitCodeThread(thread.get(), &code);
    return code;
}

HMODULE remoteModule(HANDLE process, const std::string& name) {
    HMODULE modules[1024];
    DWORD needed = 0;
    if (!EnumProcessModulesEx(process, modules, sizeof(modules), &needed, LIST_MODULES_ALL))
        return nullptr;
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i) {
        char moduleName[MAX_PATH] = "";
        GetModuleBaseNameA(process, modules[i], moduleName, sizeof(moduleName));
        if (_stricmp(moduleName, name.c_str()) == 0) return modules[i];
    }
    return nullptr;
}

struct RemoteMemory {
    HANDLE process;
    void* address;
    RemoteMemory(HANDLE p, std::size_t size)
        : process(p),
          address(VirtualAllocEx(p, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address) VirtualFreeEx(process, address, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
};

}  // namespace

std::vector<UINT> menuStates(HWND window, const std::vector<UINT>& ids) {
    if (ids.size() > 32) throw DriverError("the menu probe reads at most 32 items at a time");
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    Handle process(OpenProcess(PROCESS_CREATE_THREAD | PROCESS_VM_OPERATION | PROCESS_VM_READ |
                                   PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE,
                               FALSE, pid));
    if (!process) throw DriverError("cannot open the program's process to read its menu");

    const std::string dll = probePath();
    HMODULE local = LoadLibraryA(dll.c_str());
    if (!local) throw DriverError("cannot load the menu probe " + inQuotes(dll));
    const auto entry = reinterpret_cast<const char*>(GetProcAddress(local, "e2eReadMenuStates"));
    if (!entry) throw DriverError("the menu probe has no e2eReadMenuStates");
    const std::size_t offset = entry - reinterpret_cast<const char*>(local);

    RemoteMemory memory(process.get(), sizeof(MenuProbeBlock) + MAX_PATH * 2);
    if (!memory.address)
        throw DriverError("cannot reserve memory in the program for the menu probe");

    HMODULE remote = remoteModule(process.get(), baseName(dll));
    if (!remote) {
        // kernel32 sits at the same address in every process of the session.
        const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
        WriteProcessMemory(process.get(), memory.address, dll.c_str(), dll.size() + 1, nullptr);
        runRemote(process.get(), loadLibrary, memory.address);
        remote = remoteModule(process.get(), baseName(dll));
        if (!remote) throw DriverError("the program did not load the menu probe " + inQuotes(dll));
    }

    MenuProbeBlock block{};
    block.window = reinterpret_cast<ULONG_PTR>(window);
    block.count = static_cast<std::uint32_t>(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) block.ids[i] = ids[i];
    if (!WriteProcessMemory(process.get(), memory.address, &block, sizeof(block), nullptr)) {
        throw DriverError("cannot write the menu probe's block into the program");
    }
    const auto start =
        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<ULONG_PTR>(remote) + offset);
    if (runRemote(process.get(), start, memory.address) != 1) {
        throw DriverError("the menu probe found no menu on the window");
    }
    if (!ReadProcessMemory(process.get(), memory.address, &block, sizeof(block), nullptr)) {
        throw DriverError("cannot read the menu probe's answer");
    }
    return std::vector<UINT>(block.states, block.states + ids.size());
}

}  // namespace e2e
