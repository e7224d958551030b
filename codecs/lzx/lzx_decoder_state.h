// The LZX codec handle and the decoder state it owns.
#pragma once

#include <cstdint>

#include "codecs/codec_interface.h"
#include "codecs/lzx/lzx_format.h"

namespace tamrix::lzx {

constexpr uint32_t kMainTableBits = 12;
constexpr uint32_t kLengthTableBits = 10;
constexpr uint32_t kPreTreeTableBits = 8;
constexpr uint32_t kAlignedTableBits = 7;

enum LzxPhase : int32_t { PhaseHeaderDue = 1, PhaseInsideBlock = 2 };

struct LzxDecoder {
    uint8_t* window;  // window size + kWindowSlack bytes
    uint32_t windowSize;
    uint32_t windowMask;
    int32_t r0, r1, r2;

    uint32_t mainTable[1 << kMainTableBits];
    uint32_t lengthTable[1 << kLengthTableBits];
    uint8_t mainLengths[kMaxMainSymbols];
    uint8_t lengthLengths[kLengthSymbols];
    uint8_t alignedTable[1 << kAlignedTableBits];
    uint8_t alignedLengths[kAlignedSymbols];
    uint32_t mainNodes[kMaxMainSymbols][2];
    uint32_t lengthNodes[kLengthSymbols][2];

    // Input of the current call. Bytes from inputCount on are never loaded: the bit reader
    // sees zeros there, and byte-wise reads (uncompressed blocks) stop at inputCount.
    const uint8_t* input;
    uint32_t inputCount;
    uint32_t inputCursor;  // next unread byte while inside an uncompressed block
    uint8_t* output;

    uint8_t previousMainLengths[kMaxMainSymbols];
    uint8_t previousLengthLengths[kLengthSymbols];

    uint8_t positionSlots;
    bool e8HeaderPending;
    bool inputOverrun;
    uint32_t windowPosition;
    uint32_t e8FileSize;
    int32_t e8Position;
    uint32_t framesDecoded;
    int32_t blockSize;
    int32_t blockRemaining;
    int32_t blockType;
    int32_t phase;

    AllocFn alloc;
    FreeFn free;
    FileCallbacks files;
};

struct LzxHandle {
    uint32_t tag;
    AllocFn alloc;
    FreeFn free;
    FileCallbacks files;
    uint32_t maxOutput;
    LzxDecoder* decoder;
};

inline uint32_t mainSymbolCount(const LzxDecoder& d) {
    return kLiteralCount + 8u * d.positionSlots;
}

void resetDecoder(LzxDecoder& d);

// Decodes `wanted` bytes (at most one frame) into d.output. Returns false on undecodable data.
bool decodeFrame(LzxDecoder& d, uint32_t wanted);

#ifndef _WIN32
// The copies of the Linux tool's fast loop. Automatic takes the best this processor runs; the
// others let tests run each copy on any processor that has it.
enum class FastLoop { Automatic, Plain, Bmi2, Avx512 };
void chooseFastLoop(FastLoop loop);
#endif

}  // namespace tamrix::lzx
