// The stub's process entry, in place of the C runtime's start-up code. That code (command-line
// splitting, wildcard expansion, floating-point set-up, thread-local storage, runtime relocations,
// exception translation) serves nothing the stub does and made up a fifth of it. The system
// runtime library initialises itself when it is loaded, so malloc and the _open family work
// without it. What remains of the start-up: the static constructors, then WinMain, which ends the
// process itself.
#include <windows.h>

#include <cstddef>

// The linker's list: a -1 word, the constructors, a 0 word. Run from the last, as the runtime does.
extern "C" void (*__CTOR_LIST__[])();

// The system calls the entry with a 4-byte aligned stack; the code after it may expect 16.
extern "C" __attribute__((force_align_arg_pointer)) DWORD WINAPI stubEntry(void*) {
    size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (size_t i = count; i > 0; --i) __CTOR_LIST__[i]();
    return DWORD(WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT));
}
