#include "cab/block_checksum.h"

namespace tamrix {

uint32_t blockChecksum(const uint8_t* data, uint32_t count, uint32_t seed) {
    uint32_t acc = seed;
    uint32_t words = count / 4;
    for (uint32_t i = 0; i < words; ++i, data += 4) {
        acc ^= uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
               uint32_t(data[3]) << 24;
    }
    uint32_t tail = 0;
    for (uint32_t i = 0; i < (count & 3); ++i) tail = (tail << 8) | data[i];
    return acc ^ tail;
}

}  // namespace tamrix
