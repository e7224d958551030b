// Pausing the calling thread.
#pragma once

#include <cstdint>

namespace tamrix::platform {

void sleepMilliseconds(uint32_t milliseconds);

}  // namespace tamrix::platform
