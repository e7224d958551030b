// The common controls library, which the progress bar and the animation need.
#pragma once

namespace tamrix::platform {

void initCommonControls();

}  // namespace tamrix::platform
