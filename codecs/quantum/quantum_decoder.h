// The Quantum decoder's process-wide state and the frame decoder that drives it.
#pragma once

#include <cstdint>

#include "codecs/codec_interface.h"
#include "codecs/quantum/quantum_inline.h"
#include "codecs/quantum/quantum_model.h"
#include "codecs/quantum/quantum_tables.h"

namespace tamrix::quantum {

constexpr uint32_t kPageSize = 4096;

struct QuantumHandle {
    uint32_t tag;
    AllocFn alloc;
    FreeFn free;
    OpenFn open;
    ReadFn read;
    WriteFn write;
    CloseFn close;
    SeekFn seek;
    uint32_t maxOutput;
    int32_t cpuType;  // kept, never consulted
};

// One page of the paged window in memory, linked into the least-recently-used list.
struct WindowSlot {
    WindowSlot* previous;  // towards the head (most recently used)
    WindowSlot* next;      // towards the tail
    int32_t page;          // window page held, -1 for none
    int32_t dirty;         // differs from the spill file's copy
    uint8_t data[kPageSize];
};

struct PageTableEntry {
    WindowSlot* slot;  // the slot holding the page, or null
    int32_t written;   // the page has been written to the spill file since the last reset
};

struct WindowPageCache {
    int32_t spillFile;
    int32_t pageCount;   // window pages: window size / 4096, and 1 for windows below a page
    uint32_t pageBytes;  // bytes of each page in use: 4096, or the whole window when smaller
    PageTableEntry* pageTable;
    WindowSlot* head;
    WindowSlot* tail;
    WindowSlot* writeSlot;
    uint8_t* writePointer;
    uint8_t* writeEnd;
};

struct QuantumDecoder {
    QuantumHandle* current;  // every operation records its handle here first
    bool live;               // a codec exists: only one at a time
    uint8_t windowBits;
    uint32_t windowSize;
    uint32_t windowMask;
    uint8_t* window;  // the in-memory window, or null when paged
    uint32_t streamPosition;
    bool windowFailure;
    QuantumModel models[kModelCount];
    WindowPageCache cache;
};

extern QuantumDecoder gQuantumDecoder;

// Where the frame being decoded stands; kept in locals of the frame decoder. Only the count of
// bytes produced moves, which leaves the decoding loop registers to spare.
struct FrameCursor {
    uint8_t* output;  // the frame's first byte
    uint32_t start;   // the stream position of the frame's first byte
    uint32_t done;    // bytes produced
    uint32_t wanted;  // lowered to `done` to stop the frame
    bool outputOverrun;

    TAMRIX_QUANTUM_INLINE uint32_t position() const { return start + done; }
    TAMRIX_QUANTUM_INLINE uint32_t remaining() const { return wanted - done; }
    TAMRIX_QUANTUM_INLINE uint8_t* next() const { return output + done; }
    TAMRIX_QUANTUM_INLINE void stop() { wanted = done; }
};

void initModels(QuantumDecoder& d);

// Decodes `wanted` bytes from one data block. False when the input ran out (also while
// renormalising after the last symbol), a match was longer than the bytes still wanted, or the
// paged window failed.
bool decodeFrame(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                 uint32_t wanted);

// The frame decoder as built for any processor (on x86-64 Linux also with AVX2, chosen at load).
bool decodeFrameBaseline(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount,
                         uint8_t* output, uint32_t wanted);
#if defined(__x86_64__) && defined(__linux__) && !defined(TAMRIX_NO_CPU_DISPATCH)
// The Linux tool on x86-64 also carries a build for AVX-512, which decodeFrame takes where the
// processor has it; both builds decode alike.
#define TAMRIX_QUANTUM_WIDE 1
bool decodeFrameWide(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                     uint32_t wanted);
#endif

}  // namespace tamrix::quantum
