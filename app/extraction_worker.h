// The worker thread: the whole cabinet through the engine, then the progress window's close request.
#pragma once

#include <cstdint>

#include "cab/decoder.h"
#include "platform/windows.h"

namespace tamrix {

// The engine's report of the worker's copy; failed is set when the decoder could not be created or
// the copy did not complete. Read by the main thread once the worker has ended.
extern DecoderErrorRecord extractionError;

// parameter: the package path (at most 259 characters), which outlives the thread.
uint32_t TAMRIX_CALLBACK extractionWorker(void* parameter);

}  // namespace tamrix
