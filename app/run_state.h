// The one reset of the run state: every run of the flow starts with it (the stub's, `tamrix run`'s
// and the tests'), so the same process can run the flow again.
#pragma once

namespace tamrix {

void resetRunState();

}  // namespace tamrix
