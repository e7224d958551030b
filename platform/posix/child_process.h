// Started programs on Linux: the record behind a ProcessHandle, and the start itself.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/process.h"

namespace tamrix::platform::posix {

struct ChildProcess {
    pid_t pid;
    bool ended;
    uint32_t exitCode;
};

// Runs the executable file at hostProgram with arguments (the first is the program's own name) in
// hostFolder (empty: the current folder). Returns the process, or null when it cannot be started
// (including a file the system refuses to execute).
ProcessHandle startChildProcess(const std::string& hostProgram,
                                const std::vector<std::string>& arguments,
                                const std::string& hostFolder);

}  // namespace tamrix::platform::posix
