// The callbacks the engine works through: memory, and the package file presented as a cabinet
// that starts at position 0; reads report progress and fail once the extraction has been stopped.
#pragma once

#include <cstdint>

#include "cab/decoder.h"
#include "platform/windows.h"

namespace tamrix {

void* decoderAlloc(uint32_t size);
void decoderFree(void* block);
int32_t decoderOpen(const char* path, int32_t flags, int32_t mode);
int32_t decoderRead(int32_t handle, void* buffer, uint32_t count);
int32_t decoderWrite(int32_t handle, const void* buffer, uint32_t count);
int32_t decoderClose(int32_t handle);
int32_t decoderSeek(int32_t handle, int32_t offset, int32_t origin);

}  // namespace tamrix
