// The checksum that guards each data block of a cabinet.
#pragma once

#include <cstdint>

namespace tamrix {

// XORs the bytes in little-endian 32-bit groups into seed; the 0-3 bytes left over are folded in
// with the first of them most significant.
uint32_t blockChecksum(const uint8_t* data, uint32_t count, uint32_t seed);

}  // namespace tamrix
