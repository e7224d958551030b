// The window kept in 4096-byte pages, as many as memory allows (at least 3) in slots and the
// rest in a spill file that the engine's open callback provides.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_decoder.h"

namespace tamrix::quantum {

// Opens the spill file and allocates the page table and slots through the current handle.
// On failure everything it took is given back.
bool setUpPagedWindow(QuantumDecoder& d);
// Forgets every page (the spill file's old contents are never read again) and starts writing
// at page 0.
void resetPages(QuantumDecoder& d);
void releasePagedWindow(QuantumDecoder& d);

// Moves the write slot on to the next page; on failure the window failure flag is set.
void advanceWritePage(QuantumDecoder& d, FrameCursor& c);
void pagedMatch(QuantumDecoder& d, FrameCursor& c, uint32_t length, uint32_t distance);

struct PagedWindow {
    QuantumDecoder* d;

    void literal(FrameCursor& c, uint8_t b) const {
        WindowPageCache& cache = d->cache;
        c.output[c.done++] = b;
        *cache.writePointer++ = b;
        if (cache.writePointer == cache.writeEnd) advanceWritePage(*d, c);
    }
    void match(FrameCursor& c, uint32_t length, uint32_t distance) const {
        pagedMatch(*d, c, length, distance);
    }
};

}  // namespace tamrix::quantum
