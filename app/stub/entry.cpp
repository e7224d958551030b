// The stub's process entry, in place of the C runtime's start-up code. That code (command-line
// splitting, wildcard expansion, floating-point set-up, thread-local storage, runtime relocations,
// exception translation) serves nothing the stub does and made up a fifth of it. The system
// runtime library initialises itself when it is loaded, so malloc and the _open family work
// without it. What remains of the start-up: the DLL search restricted before any code could load
// a library, the static constructors, then WinMain, which ends the process itself.
#include <windows.h>

#include <cstddef>

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

// The linker's list: a -1 word, the constructors, a 0 word. Run from the last, as the runtime does.
extern "C" void (*__CTOR_LIST__[])();

// The system calls the entry with a 4-byte aligned stack; the code after it may expect 16.
extern "C" __attribute__((force_align_arg_pointer)) DWORD WINAPI stubEntry(void*) {
    restrictDllSearch();
    size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (size_t i = count; i > 0; --i) __CTOR_LIST__[i]();
    return DWORD(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT));
}
