// Start-up: common controls, the module handle, the command line, then the main flow.
#pragma once

#include "platform/module.h"

namespace tamrix {

// Runs on a fresh run state (resetRunState), which the caller makes: `tamrix run` installs its
// signal handlers in between, and a stop they record is kept. Returns the process's exit code: 0
// when the run did what it was asked or the user stopped it, 1 when it failed.
int runStartup(platform::ModuleHandle module, const char* tail);

}  // namespace tamrix
