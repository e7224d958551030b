#include "platform/threads.h"

#include <windows.h>

namespace tamrix::platform {

ThreadHandle startThread(ThreadRoutine routine, void* parameter) {
    // The routine has the system's thread-routine shape: stdcall, one pointer, a 32-bit result.
    DWORD id;
    return CreateThread(nullptr, 0,
                        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(routine)),
                        parameter, 0, &id);
}
void waitForThread(ThreadHandle thread) {
    WaitForSingleObject(thread, INFINITE);
}
void closeThread(ThreadHandle thread) {
    CloseHandle(thread);
}
void yieldThread() {
    Sleep(0);
}

}  // namespace tamrix::platform
