// Running the package's setup command after extraction, and waiting for the setup to be over.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/window_probe.h"

namespace tamrix {

constexpr uint32_t kSetupCommandTextSize = 512;
constexpr uint32_t kWorkingFolderSize = 256;
constexpr uint32_t kShortPathSize = 256;
constexpr uint32_t kWindowNameSize = 128;

// The setup command split into the program and its parameters: a quoted first token is the
// program; otherwise the program ends at the first blank after a name ending in .exe, .com, .bat,
// .cmd, .inf or .msi (any case), and without such a name at the first blank. So
// "setup.exe /log=inst.log" runs setup.exe, and "Program Files\setup.exe /s" the program in that
// folder. The parameters start after the blanks that follow the program; null when there are none.
struct SetupCommandParts {
    const char* program;  // inside the command; not NUL-terminated
    size_t programLength;
    const char* parameters;
};
SetupCommandParts splitSetupCommand(const char* setupCommand);

// Starts destination + the program of setupCommand with its parameters, in the program's own
// folder: an ".inf" file goes to the system's INF installer (without parameters), any other file
// to the shell. The destination ends in a backslash. With waitFlag on, returns only when the
// process has ended and an installer window, if one shows up, has closed.
void runSetupCommand(const char* setupCommand, const char* destination, uint32_t waitFlag);

// One probe for an installer window. Both buffers (kWindowNameSize bytes) come in empty; the class
// or the title by which a window was found is left in them.
platform::WindowHandle findInstallerWindow(char* classBuffer, char* titleBuffer);

}  // namespace tamrix
