// Running the package's setup command after extraction, and waiting for the setup to be over.
#pragma once

#include <cstdint>

#include "platform/window_probe.h"

namespace tamrix {

constexpr uint32_t kSetupCommandTextSize = 512;
constexpr uint32_t kWorkingFolderSize = 256;
constexpr uint32_t kShortPathSize = 256;
constexpr uint32_t kWindowNameSize = 128;

// Starts destination + setupCommand: a program ending in ".exe" with its parameters, an ".inf"
// file through the system's INF installer, or any other file through the shell. The destination
// ends in a backslash. With waitFlag on, returns only when the process has ended and an installer
// window, if one shows up, has closed.
void runSetupCommand(const char* setupCommand, const char* destination, uint32_t waitFlag);

// One probe for an installer window. Both buffers (kWindowNameSize bytes) come in empty; the class
// or the title by which a window was found is left in them.
platform::WindowHandle findInstallerWindow(char* classBuffer, char* titleBuffer);

}  // namespace tamrix
