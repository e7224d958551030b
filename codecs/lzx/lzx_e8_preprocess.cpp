#include "codecs/lzx/lzx_e8_preprocess.h"

namespace tamrix::lzx {
namespace {

// What the decoder makes of an operand value at stream offset `current`.
uint32_t decodedOperand(uint32_t value, uint32_t current, uint32_t fileSize) {
    if (value < fileSize) return value - current;
    if (uint32_t(0u - value) <= current) return value + fileSize;
    return value;
}

}  // namespace

bool applyE8Translation(uint8_t* frame, uint32_t length, uint32_t position, uint32_t fileSize) {
    if (length < 6) return true;
    const uint32_t limit = length - 6;  // the decoder leaves E8 bytes from here on alone
    for (uint32_t k = 0; k < limit;) {
        if (frame[k] != 0xE8) {
            ++k;
            continue;
        }
        const uint32_t current = position + k;
        // Operand bytes at or past `limit` are read as 0xE8 by the decoder and never written.
        const uint32_t real = limit - (k + 1) < 4 ? limit - (k + 1) : 4;
        uint32_t original = 0;
        for (uint32_t i = 0; i < real; ++i) original |= uint32_t(frame[k + 1 + i]) << (8 * i);
        uint32_t tailBytes = 0;
        for (uint32_t i = real; i < 4; ++i) tailBytes |= 0xE8u << (8 * i);
        const uint32_t mask = real == 4 ? 0xFFFFFFFFu : (1u << (8 * real)) - 1;

        // Candidates: absolute (decoder subtracts), wrapped (decoder adds the file size), as is.
        const uint32_t candidates[3] = {original + current, original - fileSize, original};
        bool found = false;
        for (uint32_t candidate : candidates) {
            const uint32_t stored = (candidate & mask) | tailBytes;
            if ((decodedOperand(stored, current, fileSize) & mask) == original) {
                for (uint32_t i = 0; i < real; ++i) frame[k + 1 + i] = uint8_t(stored >> (8 * i));
                found = true;
                break;
            }
        }
        if (!found) return false;
        k += 5;
    }
    return true;
}

}  // namespace tamrix::lzx
