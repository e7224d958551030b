// Start-up: common controls, the module handle, settings, the command line, then the main flow.
#pragma once

#include "platform/module.h"

namespace tamrix {

// Always returns 0, the process's exit code.
int runStartup(platform::ModuleHandle module, const char* tail);

}  // namespace tamrix
