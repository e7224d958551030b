// The MSZIP codec's four operations. Each block is "CK" followed by deflate data whose history is
// the previous block's output, which the engine leaves in the same output buffer.
#include <cstring>

#include "codecs/codec_interface.h"
#include "codecs/mszip/deflate_constants.h"
#include "codecs/mszip/fixed_tables.h"
#include "codecs/mszip/inflate_block.h"
#include "codecs/mszip/inflate_state.h"

namespace tamrix {
namespace {

using mszip::InflateState;

constexpr uint8_t kSignature[2] = {0x43, 0x4B};  // "CK"

struct MszipHandle {
    uint32_t tag;
    FreeFn free;
    uint32_t maximumOutput;
    InflateState* state;
    // The output buffer is the engine's and is first seen by decompress: until then nothing
    // says what it holds, so the first call clears it and history before the first byte reads
    // as zeros, never as whatever the heap held.
    bool historyCleared;
};

MszipHandle* liveHandle(void* handle) {
    auto* mszip = static_cast<MszipHandle*>(handle);
    return mszip != nullptr && mszip->tag == kMszipTag ? mszip : nullptr;
}

CodecResult createMszip(uint32_t* maxOutput, const void*, AllocFn alloc, FreeFn free,
                        uint32_t* inputSize, void** handle, const FileCallbacks*) {
    if (*maxOutput == 0 || *maxOutput > mszip::kWindowSize) *maxOutput = mszip::kWindowSize;
    *inputSize = *maxOutput + mszip::kInputAllowance;
    if (handle == nullptr) return CodecSuccess;

    *handle = nullptr;
    auto* mszip = static_cast<MszipHandle*>(alloc(sizeof(MszipHandle)));
    if (mszip == nullptr) return CodecOutOfMemory;
    auto* state = static_cast<InflateState*>(alloc(sizeof(InflateState)));
    if (state == nullptr) {
        free(mszip);
        return CodecOutOfMemory;
    }
    std::memset(static_cast<void*>(state), 0, sizeof(InflateState));
    mszip::ensureFixedTables();
    mszip->free = free;
    mszip->maximumOutput = *maxOutput;
    mszip->state = state;
    mszip->historyCleared = false;
    state->maximumOutput = *maxOutput;
    mszip->tag = kMszipTag;
    *handle = mszip;
    return CodecSuccess;
}

// `output` must be the same buffer of 32768 bytes for every block of a folder: it holds the
// history that matches reach back into.
CodecResult decompressMszip(void* handle, const uint8_t* input, uint32_t inputCount,
                            uint8_t* output, uint32_t* outputSize) {
    MszipHandle* mszip = liveHandle(handle);
    if (mszip == nullptr) return CodecBadHandle;
    if (inputCount > mszip->maximumOutput + mszip::kInputAllowance) return CodecOutputTooLarge;
    if (inputCount < sizeof kSignature || input[0] != kSignature[0] || input[1] != kSignature[1]) {
        return CodecDataError;
    }

    if (!mszip->historyCleared) {
        std::memset(output, 0, mszip::kWindowSize);
        mszip->historyCleared = true;
    }

    InflateState& state = *mszip->state;
    const uint32_t limit = *outputSize < state.maximumOutput ? *outputSize : state.maximumOutput;
    state.input.start(input + sizeof kSignature, inputCount - uint32_t(sizeof kSignature));
    state.window = output;
    state.out = output;
    state.outLimit = output + limit;
    if (!mszip::inflateBlockData(state)) return CodecDataError;
    *outputSize = uint32_t(state.out - output);
    return CodecSuccess;
}

// The history lives in the engine's output buffer and every block starts a fresh bit reader,
// so a new folder needs nothing undone.
CodecResult resetMszip(void* handle) {
    return liveHandle(handle) != nullptr ? CodecSuccess : CodecBadHandle;
}

CodecResult destroyMszip(void* handle) {
    MszipHandle* mszip = liveHandle(handle);
    if (mszip == nullptr) return CodecBadHandle;
    mszip->tag = 0;
    const FreeFn free = mszip->free;
    free(mszip->state);
    free(mszip);
    return CodecSuccess;
}

}  // namespace

const CodecOps kMszipCodec = {createMszip, decompressMszip, resetMszip, destroyMszip};

}  // namespace tamrix
