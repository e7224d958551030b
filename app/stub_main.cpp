// The Windows stub's entry point: isolate the command-line tail, run start-up, end the process.
#include <windows.h>

#include "app/command_line.h"
#include "app/run_state.h"
#include "app/startup.h"

// The process entry (app/stub/entry.cpp) has restricted the DLL search before this runs.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* tail = tamrix::isolateCommandTail(GetCommandLineA());
    tamrix::resetRunState();
    ExitProcess(UINT(tamrix::runStartup(GetModuleHandleA(nullptr), tail)));
}
