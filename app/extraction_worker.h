// The worker thread: the whole cabinet through the engine, then the progress window's close request.
#pragma once

#include <cstdint>

#include "platform/windows.h"

namespace tamrix {

// Set when the decoder could not be created or the copy did not complete (whatever the reason,
// the user's stop included). Read by the main thread once the worker has ended.
extern bool extractionFailed;

// parameter: the package path (at most 259 characters), which outlives the thread.
uint32_t TAMRIX_CALLBACK extractionWorker(void* parameter);

}  // namespace tamrix
