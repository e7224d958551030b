#include "state/run_state.h"

namespace tamrix {

// Zero until resetRunState gives it a run's start values: the stub carries no initialised copy.
RunState runState;

}  // namespace tamrix
