// The window kept in 4096-byte pages, as many as memory allows (at least 3) in slots and the
// rest in a spill file that the engine's open callback provides.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_decoder.h"
#include "codecs/quantum/quantum_inline.h"
#include "codecs/quantum/quantum_match_copy.h"

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
#ifndef _WIN32
// Makes the write slot the most recently used.
void touchWriteSlot(WindowPageCache& cache);
#endif
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
#ifndef _WIN32
        // Matches within the write page in place: the source behind the write pointer, the
        // match ending before the page does. Of pagedMatch's page touches only the write
        // slot's move to the head of the list then has an effect.
        WindowPageCache& cache = d->cache;
        uint8_t* w = cache.writePointer;
        if (distance <= uint32_t(w - cache.writeSlot->data) &&
            length < uint32_t(cache.writeEnd - w)) {
            if (cache.head != cache.writeSlot) touchWriteSlot(cache);
            uint8_t* out = c.next();
            const uint8_t* from = w - distance;
            if (distance >= 8) {
                copyByWords(w, from, out, length);
            } else {
                for (uint32_t k = 0; k < length; ++k) out[k] = w[k] = from[k];
            }
            cache.writePointer = w + length;
            c.done += length;
            return;
        }
#endif
        const bool copied = pagedMatch(*d, c.next(), c.position(), length, distance);
        c.done += length;
        if (!copied) c.stop();
    }
};

}  // namespace tamrix::quantum
