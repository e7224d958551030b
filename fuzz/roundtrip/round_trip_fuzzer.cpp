// Compresses arbitrary bytes with our own compressor for one method (chosen at build time) and
// decodes them with our own decoder: the output must be the input, frame by frame.
//
// Input: one configuration byte (the window, for LZX 15..21 and for Quantum 10..21, and the
// level 1..9 from its top bits), then the data, cut into 32,768-byte frames as a folder is.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codecs/codec_interface.h"
#include "pack/compression.h"

namespace {

using namespace tamrix;

constexpr uint32_t kFrameSize = 32768;

void* fuzzAlloc(uint32_t size) {
    return std::malloc(size ? size : 1);
}
void fuzzFree(void* block) {
    std::free(block);
}

// Quantum asks for a spill file only when its window cannot be allocated; none is offered.
int32_t noOpen(const char*, int32_t, int32_t) {
    return -1;
}
int32_t noRead(int32_t, void*, uint32_t) {
    return -1;
}
int32_t noWrite(int32_t, const void*, uint32_t) {
    return -1;
}
int32_t noClose(int32_t) {
    return -1;
}
int32_t noSeek(int32_t, int32_t, int32_t) {
    return -1;
}
const FileCallbacks kNoFiles = {noOpen, noRead, noWrite, noClose, noSeek};

struct Method {
    pack::Compression compression;
    const CodecOps* ops;
    QuantumParams quantum;
    LzxParams lzx;
};

Method methodFor(uint8_t setting) {
    Method m{};
#if defined(ROUND_TRIP_MSZIP)
    m.compression = {pack::CompressionKind::Mszip, 0};
    m.ops = &kMszipCodec;
#elif defined(ROUND_TRIP_LZX)
    m.compression = {pack::CompressionKind::Lzx, 15u + setting % 7u};
    m.ops = &kLzxCodec;
    m.lzx.windowSize = 1u << m.compression.windowBits;
#else
    m.compression = {pack::CompressionKind::Quantum, 10u + setting % 12u};
    m.ops = &kQuantumCodec;
    m.quantum = QuantumParams{m.compression.windowBits, -1};
#endif
    m.compression.level = 1 + (setting >> 4) % 9;
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const Method method = methodFor(data[0]);
#if defined(ROUND_TRIP_LZX)
    const void* params = &method.lzx;
#elif defined(ROUND_TRIP_QUANTUM)
    const void* params = &method.quantum;
#else
    const void* params = nullptr;
#endif
    ++data;
    --size;
    std::unique_ptr<pack::FrameEncoder> encoder = pack::makeFrameEncoder(method.compression);
    if (!encoder) std::abort();  // the compressor is not built in

    uint32_t maxOutput = kFrameSize, inputSize = 0;
    void* handle = nullptr;
    if (method.ops->create(&maxOutput, params, fuzzAlloc, fuzzFree, &inputSize, &handle,
                           &kNoFiles) != CodecSuccess) {
        std::abort();
    }
    std::vector<uint8_t> block, input, output(kFrameSize);
    std::string error;
    for (size_t at = 0; at < size; at += kFrameSize) {
        const uint32_t frame = uint32_t(size - at < kFrameSize ? size - at : kFrameSize);
        block.clear();
        if (!encoder->encodeFrame(data + at, frame, &block, &error)) std::abort();
        // Every block fits the decoder's input buffer, followed by the engine's zeroed slack.
        if (block.size() > inputSize) std::abort();
        input.assign(block.begin(), block.end());
        input.resize(block.size() + kCodecInputSlack, 0);
        uint32_t produced = frame;
        const CodecResult result = method.ops->decompress(
            handle, input.data(), uint32_t(block.size()), output.data(), &produced);
        if (result != CodecSuccess || produced != frame ||
            std::memcmp(output.data(), data + at, frame) != 0) {
            std::abort();
        }
    }
    method.ops->destroy(handle);
    return 0;
}
