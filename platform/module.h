// The running module: its image in memory and the file it was loaded from.
#pragma once

#include <cstdint>

namespace tamrix::platform {

using ModuleHandle = void*;

// The module handle kept at start-up for loading resources and reading the image.
extern ModuleHandle moduleInstance;

ModuleHandle moduleHandle();

// The first bytes of the running image (its headers are the same bytes as the start of its file)
// and how many of them may be read.
struct ModuleImage {
    const uint8_t* base;
    uint32_t readable;
};
ModuleImage moduleImage();

// Copies the module's full file name into out (at most size bytes with the NUL); returns its
// length, or 0 on failure.
uint32_t moduleFileName(char* out, uint32_t size);

}  // namespace tamrix::platform
