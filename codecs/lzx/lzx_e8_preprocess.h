// The compressor's side of the call-instruction (E8) translation.
#pragma once

#include <cstdint>

namespace tamrix::lzx {

// Turns the relative call targets of a frame into absolute ones, so that the decoder's
// translation (undoE8Translation) gives the frame back. `position` is the stream offset of the
// frame's first byte. Returns false if some E8 byte near the frame's end cannot be represented
// (possible only hundreds of megabytes into a folder).
bool applyE8Translation(uint8_t* frame, uint32_t length, uint32_t position, uint32_t fileSize);

}  // namespace tamrix::lzx
