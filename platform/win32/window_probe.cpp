#include "platform/window_probe.h"

#include <windows.h>

namespace tamrix::platform {

WindowHandle findTopLevelWindow(const char* className, const char* title) {
    return FindWindowA(className, title);
}

}  // namespace tamrix::platform
