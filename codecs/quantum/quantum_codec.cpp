// The four codec operations over the one process-wide Quantum decoder.
#include <cstring>

#include "codecs/codec_interface.h"
#include "codecs/quantum/quantum_decoder.h"
#include "codecs/quantum/quantum_paged_window.h"

namespace tamrix {
namespace {

using quantum::gQuantumDecoder;
using quantum::QuantumDecoder;
using quantum::QuantumHandle;

// Allocates the window in one block, or pages it when that fails.
bool initDecoder(QuantumDecoder& d, unsigned windowBits) {
    const QuantumHandle& h = *d.current;
    d.streamPosition = 0;
    d.windowFailure = false;
    d.windowBits = uint8_t(windowBits);
    d.windowSize = 1u << windowBits;
    d.windowMask = d.windowSize - 1;
    d.window = static_cast<uint8_t*>(h.alloc(d.windowSize));
    if (d.window) {
        // A match reaching before the first byte decoded reads these zeros, never stale heap.
        std::memset(d.window, 0, d.windowSize);
    } else if (!quantum::setUpPagedWindow(d)) {
        return false;
    }
    quantum::initModels(d);
    return true;
}

QuantumHandle* checkedHandle(void* handle) {
    auto* h = static_cast<QuantumHandle*>(handle);
    if (!h || h->tag != kQuantumTag) return nullptr;
    gQuantumDecoder.current = h;
    return h;
}

CodecResult createQuantum(uint32_t* maxOutput, const void* params, AllocFn alloc, FreeFn free,
                          uint32_t* inputSize, void** handle, const FileCallbacks* files) {
    const auto* p = static_cast<const QuantumParams*>(params);
    if (!p || !maxOutput || !inputSize) return CodecBadParameter;
    if (p->windowBits < quantum::kMinWindowBits || p->windowBits > quantum::kMaxWindowBits)
        return CodecBadParameter;
    if (*maxOutput == 0 || *maxOutput > kCodecOutputSize) *maxOutput = kCodecOutputSize;
    *inputSize = *maxOutput + quantum::kInputAllowance;
    if (!handle) return CodecSuccess;
    *handle = nullptr;
    // The decoder state is process-wide: a second live codec would take it from the first.
    if (gQuantumDecoder.live) return CodecBadParameter;
    auto* h = static_cast<QuantumHandle*>(alloc(sizeof(QuantumHandle)));
    if (!h) return CodecOutOfMemory;
    *h = QuantumHandle{kQuantumTag, alloc,   free,    nullptr,    nullptr,
                       nullptr,     nullptr, nullptr, *maxOutput, p->cpuType};
    if (files) {
        h->open = files->open;
        h->read = files->read;
        h->write = files->write;
        h->close = files->close;
        h->seek = files->seek;
    }
    gQuantumDecoder.current = h;
    if (!initDecoder(gQuantumDecoder, p->windowBits)) {
        h->tag = 0;
        free(h);
        gQuantumDecoder.current = nullptr;
        return CodecOutOfMemory;
    }
    gQuantumDecoder.live = true;
    *handle = h;
    return CodecSuccess;
}

CodecResult decompressQuantum(void* handle, const uint8_t* input, uint32_t inputCount,
                              uint8_t* output, uint32_t* outputSize) {
    QuantumHandle* h = checkedHandle(handle);
    if (!h) return CodecBadHandle;
    if (!outputSize) return CodecBadParameter;
    if (*outputSize > h->maxOutput) return CodecOutputTooLarge;
    QuantumDecoder& d = gQuantumDecoder;
    // A failed page operation can leave the write pointer at its page's end; until a reset
    // restores the window nothing more is decoded.
    if (d.windowFailure) return CodecDataError;
    if (!quantum::decodeFrame(d, input, inputCount, output, *outputSize)) return CodecDataError;
    return CodecSuccess;
}

CodecResult resetQuantum(void* handle) {
    if (!checkedHandle(handle)) return CodecBadHandle;
    QuantumDecoder& d = gQuantumDecoder;
    d.streamPosition = 0;
    d.windowFailure = false;
    if (!d.window) quantum::resetPages(d);
    quantum::initModels(d);
    return CodecSuccess;
}

CodecResult destroyQuantum(void* handle) {
    QuantumHandle* h = checkedHandle(handle);
    if (!h) return CodecBadHandle;
    QuantumDecoder& d = gQuantumDecoder;
    if (d.window) {
        h->free(d.window);
        d.window = nullptr;
    } else {
        quantum::releasePagedWindow(d);
    }
    h->tag = 0;
    h->free(h);
    d.current = nullptr;
    d.live = false;
    return CodecSuccess;
}

}  // namespace

const CodecOps kQuantumCodec = {createQuantum, decompressQuantum, resetQuantum, destroyQuantum};

}  // namespace tamrix
