#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "platform/process.h"

namespace tamrix::platform {

#if !defined(_WIN64)
static_assert(sizeof(SHELLEXECUTEINFOA) == kShellExecuteRecordSize);
#endif

bool shellExecuteEx(ShellExecuteRecord& record) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = record.size;
    info.fMask = record.mask;
    info.hwnd = static_cast<HWND>(record.window);
    info.lpVerb = record.verb;
    info.lpFile = record.file;
    info.lpParameters = record.parameters;
    info.lpDirectory = record.directory;
    info.nShow = record.show;
    BOOL started = ShellExecuteExA(&info);
    record.process = started ? info.hProcess : nullptr;
    return started != 0;
}

uint32_t waitForInputIdle(ProcessHandle process, uint32_t milliseconds) {
    return WaitForInputIdle(static_cast<HANDLE>(process), milliseconds);
}

bool getExitCodeProcess(ProcessHandle process, uint32_t* exitCode) {
    DWORD code = 0;
    if (!GetExitCodeProcess(static_cast<HANDLE>(process), &code)) return false;
    *exitCode = code;
    return true;
}

uint32_t waitForProcess(ProcessHandle process, uint32_t milliseconds) {
    return WaitForSingleObject(static_cast<HANDLE>(process), milliseconds);
}

bool closeProcessHandle(ProcessHandle process) {
    return CloseHandle(static_cast<HANDLE>(process)) != 0;
}

}  // namespace tamrix::platform
