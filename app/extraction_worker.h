// The worker thread: the whole cabinet through the engine, then the progress window's close
// request; its outcome is runState.extractionFailed.
#pragma once

#include <cstdint>

#include "platform/windows.h"

namespace tamrix {

// parameter: the package path (at most 259 characters), which outlives the thread.
uint32_t TAMRIX_CALLBACK extractionWorker(void* parameter);

}  // namespace tamrix
