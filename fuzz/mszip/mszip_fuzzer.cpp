// Arbitrary bytes as a sequence of MSZIP blocks through create, decompress, reset and destroy.
// Each block is preceded by two length bytes and a control byte: the output size asked and
// whether a folder change (reset) comes first. Blocks often get the signature, so the decoder
// gets past it.
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
void fuzzFree(void* block) {
    std::free(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tamrix;
    uint32_t maxOutput = 32768;
    uint32_t inputSize = 0;
    void* handle = nullptr;
    if (kMszipCodec.create(&maxOutput, nullptr, fuzzAlloc, fuzzFree, &inputSize, &handle,
                           nullptr) != CodecSuccess) {
        std::abort();
    }
    // The engine's buffers: input with its slack, and the output that holds the history.
    std::vector<uint8_t> input(inputSize + kCodecInputSlack);
    std::vector<uint8_t> output(32768);

    while (size >= 3) {
        const uint32_t blockSize = load16(data) % (inputSize + 2);
        const uint8_t control = data[2];
        data += 3;
        size -= 3;
        if (control & 1) {
            if (kMszipCodec.reset(handle) != CodecSuccess) std::abort();
        }
        const uint32_t count = blockSize < size ? blockSize : uint32_t(size);
        uint32_t offset = 0;
        if (control & 2) {
            input[0] = 'C';
            input[1] = 'K';
            offset = 2;
        }
        const uint32_t total = count + offset > inputSize + 1 ? inputSize + 1 : count + offset;
        std::memcpy(input.data() + offset, data, total - offset);
        // Stale slack, as the engine may leave it.
        std::memset(
            input.data() + total, 0xC3,
            input.size() - total > kCodecInputSlack ? kCodecInputSlack : input.size() - total);
        data += total - offset;
        size -= total - offset;
        uint32_t produced = control & 4 ? 32768 : (control >> 3) * 1200;
        const uint32_t asked = produced;
        const CodecResult result =
            kMszipCodec.decompress(handle, input.data(), total, output.data(), &produced);
        if (result == CodecSuccess && produced > asked) std::abort();
        if (result != CodecSuccess && result != CodecDataError && result != CodecOutputTooLarge) {
            std::abort();
        }
    }
    if (kMszipCodec.destroy(handle) != CodecSuccess) std::abort();
    return 0;
}
