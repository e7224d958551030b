// The callbacks through which the engine and the codecs allocate memory and touch files.
// They carry no user pointer: a caller that needs context keeps it in its own globals.
#pragma once

#include <cstdint>

namespace tamrix {

using AllocFn = void* (*)(uint32_t size);
using FreeFn = void (*)(void* block);
// Returns a non-negative handle, or -1.
using OpenFn = int32_t (*)(const char* path, int32_t flags, int32_t mode);
// Return the number of bytes moved; anything other than `count` is a failure for the engine.
using ReadFn = int32_t (*)(int32_t handle, void* buffer, uint32_t count);
using WriteFn = int32_t (*)(int32_t handle, const void* buffer, uint32_t count);
// Returns 0 on success.
using CloseFn = int32_t (*)(int32_t handle);
// Origin 0 = from the start, 1 = from the current position. Returns the new position or -1.
using SeekFn = int32_t (*)(int32_t handle, int32_t offset, int32_t origin);

// Runtime-library style open flags and modes that pass through the engine unchanged.
constexpr int32_t kOpenReadOnly = 0x0000;
constexpr int32_t kOpenReadWrite = 0x0002;
constexpr int32_t kOpenCreate = 0x0100;
constexpr int32_t kOpenBinary = 0x8000;
constexpr int32_t kModeReadWrite = 0x0180;

constexpr int32_t kSeekSet = 0;
constexpr int32_t kSeekCur = 1;

struct FileCallbacks {
    OpenFn open;
    ReadFn read;
    WriteFn write;
    CloseFn close;
    SeekFn seek;
};

}  // namespace tamrix
