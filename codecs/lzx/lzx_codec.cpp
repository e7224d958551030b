// The four codec operations of LZX: create, decompress, reset, destroy.
#include <cstring>

#include "codecs/codec_interface.h"
#include "codecs/lzx/lzx_decoder_state.h"

namespace tamrix {
namespace lzx {

void resetDecoder(LzxDecoder& d) {
    const uint32_t mainCount = mainSymbolCount(d);
    std::memset(d.mainLengths, 0, mainCount);
    std::memset(d.previousMainLengths, 0, mainCount);
    std::memset(d.lengthLengths, 0, kLengthSymbols);
    std::memset(d.previousLengthLengths, 0, kLengthSymbols);
    d.r0 = d.r1 = d.r2 = 1;
    d.windowPosition = 0;
    d.phase = PhaseHeaderDue;
    d.blockRemaining = 0;
    d.blockSize = 0;
    d.blockType = 0;
    d.e8HeaderPending = true;
    d.e8FileSize = 0;
    d.inputOverrun = false;
    d.e8Position = 0;
    d.framesDecoded = 0;
}

namespace {

LzxHandle* liveHandle(void* handle) {
    auto* h = static_cast<LzxHandle*>(handle);
    return h != nullptr && h->tag == kLzxTag ? h : nullptr;
}

CodecResult create(uint32_t* maxOutput, const void* params, AllocFn alloc, FreeFn free,
                   uint32_t* inputSize, void** handleSlot, const FileCallbacks* files) {
    // One call fills at most one frame, which must fit one pass over the smallest window.
    if (*maxOutput == 0 || *maxOutput > kFrameSize) *maxOutput = kFrameSize;
    *inputSize = *maxOutput + kInputAllowance;
    if (handleSlot == nullptr) return CodecSuccess;
    *handleSlot = nullptr;

    // Windows outside 2^15..2^21 are refused: the slot tables and one frame per pass need them.
    const uint32_t windowSize = params ? static_cast<const LzxParams*>(params)->windowSize : 0;
    if (windowSize < (1u << kMinWindowBits) || windowSize > (1u << kMaxWindowBits) ||
        (windowSize & (windowSize - 1)) != 0) {
        return CodecOutOfMemory;
    }

    auto* h = static_cast<LzxHandle*>(alloc(sizeof(LzxHandle)));
    if (h == nullptr) return CodecOutOfMemory;
    auto* d = static_cast<LzxDecoder*>(alloc(sizeof(LzxDecoder)));
    if (d == nullptr) {
        free(h);
        return CodecOutOfMemory;
    }
    std::memset(d, 0, sizeof(LzxDecoder));
    // A match that reaches before the first byte of a folder reads zeros, never stale memory.
    d->window = static_cast<uint8_t*>(alloc(windowSize + kWindowSlack));
    if (d->window == nullptr) {
        free(d);
        free(h);
        return CodecOutOfMemory;
    }
    std::memset(d->window, 0, windowSize + kWindowSlack);

    const FileCallbacks noFiles = {nullptr, nullptr, nullptr, nullptr, nullptr};
    h->alloc = alloc;
    h->free = free;
    h->files = files ? *files : noFiles;
    h->maxOutput = *maxOutput;
    h->decoder = d;
    d->alloc = alloc;
    d->free = free;
    d->files = h->files;
    d->windowSize = windowSize;
    d->windowMask = windowSize - 1;
    d->positionSlots = uint8_t(positionSlotCount(windowSize));
    resetDecoder(*d);
    h->tag = kLzxTag;
    *handleSlot = h;
    return CodecSuccess;
}

CodecResult decompress(void* handle, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                       uint32_t* outputSize) {
    LzxHandle* h = liveHandle(handle);
    if (h == nullptr) return CodecBadHandle;
    if (*outputSize > h->maxOutput) return CodecOutputTooLarge;
    LzxDecoder& d = *h->decoder;
    d.input = input;
    d.inputCount = inputCount;
    d.output = output;
    const bool ok = decodeFrame(d, *outputSize);
    ++d.framesDecoded;
    if (!ok) {
        *outputSize = 0;
        return CodecDataError;
    }
    return CodecSuccess;
}

CodecResult reset(void* handle) {
    LzxHandle* h = liveHandle(handle);
    if (h == nullptr) return CodecBadHandle;
    resetDecoder(*h->decoder);
    return CodecSuccess;
}

CodecResult destroy(void* handle) {
    LzxHandle* h = liveHandle(handle);
    if (h == nullptr) return CodecBadHandle;
    LzxDecoder* d = h->decoder;
    FreeFn free = h->free;
    if (d->window != nullptr) free(d->window);
    h->tag = 0;
    free(d);
    free(h);
    return CodecSuccess;
}

}  // namespace
}  // namespace lzx

const CodecOps kLzxCodec = {lzx::create, lzx::decompress, lzx::reset, lzx::destroy};

}  // namespace tamrix
