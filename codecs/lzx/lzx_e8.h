// Call-instruction (E8) translation of a decoded frame.
#pragma once

#include <cstdint>

namespace tamrix::lzx {

// Turns the absolute call targets of a frame back into relative ones. `position` is the stream
// offset of the frame's first byte and is advanced by `length`. E8 bytes in the frame's last 6
// bytes are never translated, and an operand that reaches into them reads those bytes as 0xE8.
void undoE8Translation(uint8_t* frame, uint32_t length, int32_t* position, uint32_t fileSize);

}  // namespace tamrix::lzx
