#include "platform/controls.h"

namespace tamrix::platform {

// The console and scripted interfaces draw their own progress; nothing to load.
void initCommonControls() {}

}  // namespace tamrix::platform
