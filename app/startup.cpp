#include "app/startup.h"

#include "app/command_line.h"
#include "app/main_flow.h"
#include "platform/controls.h"
#include "state/settings.h"

namespace tamrix {

int runStartup(platform::ModuleHandle module, const char* tail) {
    platform::initCommonControls();
    platform::moduleInstance = module;
    resetSettings();
    char packagePath[kPathSize] = {};
    if (*tail && !parseCommandLine(tail, packagePath)) return 0;
    runMainFlow(packagePath);
    return 0;
}

}  // namespace tamrix
