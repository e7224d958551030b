#include "platform/controls.h"

#include <windows.h>
#include <commctrl.h>

namespace tamrix::platform {

void initCommonControls() {
    InitCommonControls();
}

}  // namespace tamrix::platform
