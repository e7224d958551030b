#include "platform/sleep.h"

#include <windows.h>

namespace tamrix::platform {

void sleepMilliseconds(uint32_t milliseconds) {
    Sleep(milliseconds);
}

}  // namespace tamrix::platform
