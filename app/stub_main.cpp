// The Windows stub's entry point: isolate the command-line tail, run start-up, end the process.
#include <windows.h>

#include "app/command_line.h"
#include "app/startup.h"

namespace {

// A package is usually started from a downloads folder, where a planted DLL named like a system
// one would be found before the real one. Every later library load (the shell's, the common
// controls', and whatever they load in turn) is therefore restricted to the system folder.
// SetDefaultDllDirectories is missing on systems without update KB2533623, so it is looked up
// here; there, SetDllDirectoryA("") at least takes the current folder out of the search.
void restrictDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory) setDirectory("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    restrictDllSearch();
    const char* tail = tamrix::isolateCommandTail(GetCommandLineA());
    ExitProcess(UINT(tamrix::runStartup(GetModuleHandleA(nullptr), tail)));
}
