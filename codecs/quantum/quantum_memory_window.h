// Literal and match routines over the window held in one block of memory. The write position is
// the stream position masked to the window, so it needs no pointer of its own.
#pragma once

#include <cstdint>
#include <cstring>

#include "codecs/quantum/quantum_arithmetic_decoder.h"
#include "codecs/quantum/quantum_decoder.h"

namespace tamrix::quantum {

#ifndef _WIN32
// Copies `length` bytes (a match: at least 3) to the window and to the output, writing no byte
// outside either run; the last word overlaps the one before it.
inline void copyByWords(uint8_t* to, const uint8_t* from, uint8_t* output, uint32_t length) {
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
    } else {
        // The shortest match, 3 bytes: two overlapping halves, no loop.
        uint16_t head, end;
        std::memcpy(&head, from, 2);
        std::memcpy(&end, from + 1, 2);
        std::memcpy(to, &head, 2);
        std::memcpy(to + 1, &end, 2);
        std::memcpy(output, &head, 2);
        std::memcpy(output + 1, &end, 2);
    }
}
#endif

struct MemoryWindow {
    uint8_t* base;
    uint32_t mask;

    TAMRIX_QUANTUM_INLINE void literal(FrameCursor& c, uint8_t b) const {
        base[c.position() & mask] = b;
        c.output[c.done++] = b;
    }

    // A distance reaching before the first byte decoded since reset reads whatever the window
    // holds (zeros in a fresh window), as the window is a plain ring.
    TAMRIX_QUANTUM_INLINE void match(FrameCursor& c, uint32_t length, uint32_t distance) const {
        if (c.remaining() < length) {
            c.outputOverrun = true;
            c.stop();
            return;
        }
        uint32_t src = (c.position() - distance) & mask;
        uint32_t dst = c.position() & mask;
        uint8_t* out = c.next();
        c.done += length;
        if (src + length <= mask + 1 && dst + length <= mask + 1) {
#ifndef _WIN32
            // Eight bytes at a time, when every byte read is final before it is read: the source
            // lies at least a word behind, or ahead beyond the bytes this copy writes.
            if (distance >= 8 && (src < dst || src >= dst + length)) {
                copyByWords(base + dst, base + src, out, length);
                return;
            }
#endif
            if (distance >= length) {
                // Source and destination do not overlap, or the source lies ahead (the bytes of
                // a previous lap), where a forward move is what a byte loop would do.
                std::memmove(base + dst, base + src, length);
            } else {
                for (uint32_t k = 0; k < length; ++k) base[dst + k] = base[src + k];
            }
            std::memcpy(out, base + dst, length);
            return;
        }
        for (uint32_t k = 0; k < length; ++k) {
            uint8_t b = base[src];
            base[dst] = b;
            *out++ = b;
            src = (src + 1) & mask;
            dst = (dst + 1) & mask;
        }
    }
};

}  // namespace tamrix::quantum
