// A growable, zero-filled memory block (the extracted-file list lives in one).
#pragma once

#include <cstdint>

namespace tamrix::platform {

using GlobalBlock = void*;

// Movable and zero-initialised; null on failure.
GlobalBlock globalAlloc(uint32_t size);
// Grows or shrinks the block; the grown part reads as zeros. Null on failure (the block stays).
GlobalBlock globalReAlloc(GlobalBlock block, uint32_t size);
void* globalLock(GlobalBlock block);
void globalFree(GlobalBlock block);

}  // namespace tamrix::platform
