#include "codecs/lzx/lzx_e8.h"

#include <cstring>

namespace tamrix::lzx {

void undoE8Translation(uint8_t* frame, uint32_t length, int32_t* position, uint32_t fileSize) {
    const uint32_t base = uint32_t(*position);
    *position = int32_t(base + length);
    if (length < 6) return;

    // Six 0xE8 bytes over the tail stop the scan without a bounds test.
    uint8_t saved[6];
    uint8_t* tail = frame + length - 6;
    std::memcpy(saved, tail, 6);
    std::memset(tail, 0xE8, 6);

    const uint32_t limit = length - 6;
    uint8_t* p = frame;
    for (;;) {
        p = static_cast<uint8_t*>(std::memchr(p, 0xE8, size_t(frame + length - p)));
        const uint32_t offset = uint32_t(p - frame);
        if (offset >= limit) break;
        const uint32_t current = base + offset;
        const uint32_t value =
            uint32_t(p[1]) | uint32_t(p[2]) << 8 | uint32_t(p[3]) << 16 | uint32_t(p[4]) << 24;
        uint32_t result = value;
        if (value < fileSize) {
            result = value - current;
        } else if (uint32_t(0u - value) <= current) {
            result = value + fileSize;
        }
        if (result != value) {
            p[1] = uint8_t(result);
            p[2] = uint8_t(result >> 8);
            p[3] = uint8_t(result >> 16);
            p[4] = uint8_t(result >> 24);
        }
        p += 5;
    }
    std::memcpy(tail, saved, 6);
}

}  // namespace tamrix::lzx
