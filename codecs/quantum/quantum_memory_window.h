// Literal and match routines over the window held in one block of memory. The write position is
// the stream position masked to the window, so it needs no pointer of its own.
#pragma once

#include <cstdint>
#include <cstring>

#include "codecs/quantum/quantum_arithmetic_decoder.h"
#include "codecs/quantum/quantum_decoder.h"
#include "codecs/quantum/quantum_match_copy.h"

namespace tamrix::quantum {

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
            // Byte by byte in place of the library's moves: no call in the frame loop, whose
            // state then stays in registers. A forward copy is what both cases below need.
            for (uint32_t k = 0; k < length; ++k) out[k] = base[dst + k] = base[src + k];
            return;
#else
            if (distance >= length) {
                // Source and destination do not overlap, or the source lies ahead (the bytes of
                // a previous lap), where a forward move is what a byte loop would do.
                std::memmove(base + dst, base + src, length);
            } else {
                for (uint32_t k = 0; k < length; ++k) base[dst + k] = base[src + k];
            }
            std::memcpy(out, base + dst, length);
            return;
#endif
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
