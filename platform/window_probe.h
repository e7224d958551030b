// Looking for top-level windows of any process on the desktop (installer windows after setup).
#pragma once

#include "platform/windows.h"

namespace tamrix::platform {

// The first top-level window with that class and that title; a null class or title matches any.
// Names are compared ignoring case, as the system does.
WindowHandle findTopLevelWindow(const char* className, const char* title);

}  // namespace tamrix::platform
