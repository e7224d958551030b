#include <windows.h>
#include <commctrl.h>

#include "platform/controls.h"

namespace tamrix::platform {

void initCommonControls() { InitCommonControls(); }

}  // namespace tamrix::platform
