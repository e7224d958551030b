// Linux has no installer windows. Tests register the top-level windows that the probes of
// findTopLevelWindow are to find, and take them away again to let a wait end.
#pragma once

#include <cstdint>

namespace tamrix::platform::posix {

// Returns the window's id (never 0). A null class or title is an empty one.
int32_t registerTestWindow(const char* className, const char* title);
void unregisterTestWindow(int32_t id);

}  // namespace tamrix::platform::posix
