// The window kept in 4096-byte pages, as many as memory allows (at least 3) in slots and the
// rest in a spill file that the engine's open callback provides.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_decoder.h"
#include "codecs/quantum/quantum_inline.h"

namespace tamrix::quantum {

// Opens the spill file and allocates the page table and slots through the current handle.
// On failure everything it took is given back.
bool setUpPagedWindow(QuantumDecoder& d);
// Forgets every page (the spill file's old contents are never read again) and starts writing
// at page 0.
void resetPages(QuantumDecoder& d);
void releasePagedWindow(QuantumDecoder& d);

// Moves the write slot on to the next page. False, with the window failure flag set, on failure.
bool advanceWritePage(QuantumDecoder& d);
// Copies the match of `length` bytes at stream position `position`, its source `distance` back,
// into the window and to `output`. False, with the window failure flag set, when a page could
// not be had.
bool pagedMatch(QuantumDecoder& d, uint8_t* output, uint32_t position, uint32_t length,
                uint32_t distance);

struct PagedWindow {
    QuantumDecoder* d;

    TAMRIX_QUANTUM_INLINE void literal(FrameCursor& c, uint8_t b) const {
        WindowPageCache& cache = d->cache;
        c.output[c.done++] = b;
        *cache.writePointer++ = b;
        if (cache.writePointer == cache.writeEnd && !advanceWritePage(*d)) c.stop();
    }
    TAMRIX_QUANTUM_INLINE void match(FrameCursor& c, uint32_t length, uint32_t distance) const {
        // The cursor stays in the caller's registers: the copy gets plain values.
        if (c.remaining() < length) {
            c.outputOverrun = true;
            c.stop();
            return;
        }
        const bool copied = pagedMatch(*d, c.next(), c.position(), length, distance);
        c.done += length;
        if (!copied) c.stop();
    }
};

}  // namespace tamrix::quantum
