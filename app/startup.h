// Start-up: common controls, the module handle, settings, the command line, then the main flow.
#pragma once

#include "platform/module.h"

namespace tamrix {

// Returns the process's exit code: 0 when the run did what it was asked or the user stopped it,
// 1 when it failed.
int runStartup(platform::ModuleHandle module, const char* tail);

}  // namespace tamrix
