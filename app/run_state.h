// Everything a run of the flow leaves behind, reset so the same process can run the flow again
// (the Linux tool and the tests do).
#pragma once

namespace tamrix {

void resetRunState();

}  // namespace tamrix
