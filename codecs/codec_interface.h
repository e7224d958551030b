// The contract between the engine and its codecs: kinds, results and the four operations.
#pragma once

#include <cstdint>

#include "codecs/callbacks.h"

namespace tamrix {

enum CodecKind : uint32_t {
    CodecNone = 0,
    CodecMszip = 1,
    CodecQuantum = 2,
    CodecLzx = 3,
    CodecUnselected = 15,
};

enum CodecResult : int32_t {
    CodecSuccess = 0,
    CodecOutOfMemory = 1,
    CodecBadHandle = 2,
    CodecOutputTooLarge = 3,
    CodecDataError = 4,
    CodecBadParameter = 5,
};

constexpr uint32_t kCodecOutputSize = 32768;

// Bytes of zeroed room the engine keeps after every input buffer, beyond the size the codec
// announces, so a bit reader's look-ahead never leaves memory the engine owns.
constexpr uint32_t kCodecInputSlack = 16;

// Four-letter tags that begin every codec handle, as little-endian words.
constexpr uint32_t makeTag(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kMszipTag = makeTag('M', 'D', 'I', 'C');
constexpr uint32_t kQuantumTag = makeTag('Q', 'D', 'I', 'C');
constexpr uint32_t kLzxTag = makeTag('L', 'D', 'I', 'C');

// Parameter records given to create.
struct QuantumParams {
    uint32_t windowBits;
    int32_t cpuType;
};
struct LzxParams {
    uint32_t windowSize;
};

struct CodecOps {
    // maxOutput is in/out. With handle == nullptr the call is a query: it only sets inputSize
    // (and checks parameters) and allocates nothing. files is null for MSZIP.
    CodecResult (*create)(uint32_t* maxOutput, const void* params, AllocFn alloc, FreeFn free,
                          uint32_t* inputSize, void** handle, const FileCallbacks* files);
    // outputSize is in/out: bytes wanted (MSZIP: an upper bound) in, bytes produced out.
    // The engine's input buffer is the announced size plus kCodecInputSlack zeroed bytes, so
    // input[inputCount .. inputCount + kCodecInputSlack) is always readable; those bytes are
    // not part of the stream.
    CodecResult (*decompress)(void* handle, const uint8_t* input, uint32_t inputCount,
                              uint8_t* output, uint32_t* outputSize);
    CodecResult (*reset)(void* handle);
    CodecResult (*destroy)(void* handle);
};

// Each codec folder provides its operations; the engine selects them by kind.
extern const CodecOps kMszipCodec;
extern const CodecOps kLzxCodec;
extern const CodecOps kQuantumCodec;

}  // namespace tamrix
