// Started programs: the shell's start with a process handle, and waiting on that process.
#pragma once

#include <cstdint>

namespace tamrix::platform {

// A started process; null is none.
using ProcessHandle = void*;

// The exit code a process reports while it still runs.
constexpr uint32_t kStillActive = 259;
// Results of waitForProcess.
constexpr uint32_t kWaitSignalled = 0;
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFF;
// No time limit for a wait.
constexpr uint32_t kInfinite = 0xFFFFFFFF;

// The shell's execution record, field for field the part of the system's record the stub fills.
constexpr uint32_t kShellExecuteRecordSize = 60;  // the system record's size on 32-bit Windows
constexpr uint32_t kMaskNoCloseProcess = 0x40;    // hand back the process handle
constexpr int32_t kShowDefault = 10;
struct ShellExecuteRecord {
    uint32_t size;
    uint32_t mask;
    void* window;
    const char* verb;
    const char* file;
    const char* parameters;  // null or empty: none
    const char* directory;   // null or empty: the current folder
    int32_t show;
    ProcessHandle process;  // out: the started process, null when the shell handed back none
};

// Starts record.file with the shell; false when it cannot be started.
bool shellExecuteEx(ShellExecuteRecord& record);

// Waits until the process is idle for input (or has ended). Returns 0, or kWaitFailed.
uint32_t waitForInputIdle(ProcessHandle process, uint32_t milliseconds);

// The exit code, kStillActive while the process runs. False when it cannot be read.
bool getExitCodeProcess(ProcessHandle process, uint32_t* exitCode);

// kWaitSignalled once the process has ended, kWaitTimeout while it runs, kWaitFailed on error.
uint32_t waitForProcess(ProcessHandle process, uint32_t milliseconds);

// Releases the handle; the process itself goes on.
bool closeProcessHandle(ProcessHandle process);

}  // namespace tamrix::platform
