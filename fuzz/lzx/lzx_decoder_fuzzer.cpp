// Arbitrary bytes as a folder's data blocks for the LZX decoder alone, every window size.
// The first byte picks the window; then each block is a 2-byte length, a 2-byte wanted size and
// that many bytes. Every block is copied into a buffer of exactly its own size, so any read past
// the block's data is caught, even inside the engine's slack.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/codec_interface.h"
#include "codecs/little_endian.h"

namespace {
void* fuzzAlloc(uint32_t size) {
    return std::malloc(size);
}
void fuzzFree(void* p) {
    std::free(p);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tamrix;
    if (size < 1) return 0;
    const uint32_t windowBits = 15 + data[0] % 7;
    const bool resetBetween = (data[0] & 0x80) != 0;
    ++data;
    --size;

    uint32_t maxOutput = kCodecOutputSize, inputSize = 0;
    void* handle = nullptr;
    LzxParams params{1u << windowBits};
    if (kLzxCodec.create(&maxOutput, &params, fuzzAlloc, fuzzFree, &inputSize, &handle, nullptr) !=
        CodecSuccess) {
        return 0;
    }
    std::vector<uint8_t> output(kCodecOutputSize);
    for (int blocks = 0; size >= 4 && blocks < 16; ++blocks) {
        uint32_t length = load16(data) % (inputSize + 1);
        // 1 to 33,000 bytes: a few too large for a frame.
        uint32_t wanted = load16(data + 2) % 33000u + 1;
        data += 4;
        size -= 4;
        if (length > size) length = uint32_t(size);
        uint8_t* block = static_cast<uint8_t*>(std::malloc(length ? length : 1));
        if (length) std::memcpy(block, data, length);
        data += length;
        size -= length;
        uint32_t produced = wanted;
        const CodecResult r = kLzxCodec.decompress(handle, block, length, output.data(), &produced);
        std::free(block);
        if (r == CodecSuccess && produced != wanted) std::abort();
        if (r != CodecSuccess && r != CodecDataError && r != CodecOutputTooLarge) std::abort();
        if (r == CodecDataError && resetBetween) kLzxCodec.reset(handle);
    }
    kLzxCodec.destroy(handle);
    return 0;
}
