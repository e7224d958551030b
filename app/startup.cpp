#include "app/startup.h"

#include "app/command_line.h"
#include "app/main_flow.h"
#include "platform/controls.h"
#include "state/run_state.h"

namespace tamrix {

int runStartup(platform::ModuleHandle module, const char* tail) {
    platform::initCommonControls();
    platform::moduleInstance = module;
    char packagePath[kPathSize] = {};
    // A named package that cannot be found, or a tail too long for its buffers, ends the run.
    if (*tail && !parseCommandLine(tail, packagePath)) return kExitFailed;
    return runMainFlow(packagePath);
}

}  // namespace tamrix
