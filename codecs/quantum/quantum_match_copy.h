// The match copy of the Linux tool: a match's bytes go to the window and to the output at once,
// a word at a time.
#pragma once

#include <cstdint>
#include <cstring>

#include "codecs/quantum/quantum_inline.h"

namespace tamrix::quantum {

#ifndef _WIN32
// Copies `length` bytes to the window and to the output, writing no byte outside either run; the
// last word overlaps the one before it. Every byte read must be final before it is read: the
// source lies at least a word behind the destination, or ahead beyond the bytes written.
TAMRIX_QUANTUM_INLINE void copyByWords(uint8_t* to, const uint8_t* from, uint8_t* output,
                                       uint32_t length) {
    if (length >= 8) {
        uint32_t k = 0;
        for (; k + 8 < length; k += 8) {
            uint64_t word;
            std::memcpy(&word, from + k, 8);
            std::memcpy(to + k, &word, 8);
            std::memcpy(output + k, &word, 8);
        }
        uint64_t last;
        std::memcpy(&last, from + length - 8, 8);
        std::memcpy(to + length - 8, &last, 8);
        std::memcpy(output + length - 8, &last, 8);
    } else if (length >= 4) {
        uint32_t head, end;
        std::memcpy(&head, from, 4);
        std::memcpy(&end, from + length - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + length - 4, &end, 4);
        std::memcpy(output, &head, 4);
        std::memcpy(output + length - 4, &end, 4);
    } else if (length >= 2) {
        // The shortest match, 3 bytes (and a page's last 2): two overlapping halves, no loop.
        uint16_t head, end;
        std::memcpy(&head, from, 2);
        std::memcpy(&end, from + length - 2, 2);
        std::memcpy(to, &head, 2);
        std::memcpy(to + length - 2, &end, 2);
        std::memcpy(output, &head, 2);
        std::memcpy(output + length - 2, &end, 2);
    } else if (length == 1) {
        to[0] = output[0] = from[0];
    }
}
#endif

}  // namespace tamrix::quantum
