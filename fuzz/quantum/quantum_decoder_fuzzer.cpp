// Feeds arbitrary bytes to the Quantum decoder: every window size, window in memory or paged
// with few slots over an in-memory spill file, blocks of arbitrary sizes, resets between them.
//
// Input: one configuration byte (window bits, paged, slot budget), then records of
// [compressed size: 2 bytes][wanted size: 2 bytes][compressed bytes]; a wanted size with the
// top bit set asks for a reset first.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/codec_interface.h"
#include "codecs/little_endian.h"
#include "codecs/quantum/quantum_decoder.h"

namespace {

using namespace tamrix;

uint32_t gRefuseSize = 0;
int gSlotBudget = -1;

void* fuzzAlloc(uint32_t size) {
    if (size == gRefuseSize) return nullptr;
    if (size == sizeof(quantum::WindowSlot) && gSlotBudget >= 0) {
        if (gSlotBudget == 0) return nullptr;
        --gSlotBudget;
    }
    return std::malloc(size);
}
void fuzzFree(void* p) {
    std::free(p);
}

std::vector<uint8_t> gSpill;
uint32_t gSpillPosition = 0;
int32_t spillOpen(const char*, int32_t, int32_t) {
    gSpill.clear();
    gSpillPosition = 0;
    return 7;
}
int32_t spillRead(int32_t, void* buffer, uint32_t count) {
    if (gSpillPosition + count > gSpill.size()) return 0;
    std::memcpy(buffer, gSpill.data() + gSpillPosition, count);
    gSpillPosition += count;
    return int32_t(count);
}
int32_t spillWrite(int32_t, const void* buffer, uint32_t count) {
    if (gSpill.size() < gSpillPosition + count) gSpill.resize(gSpillPosition + count);
    std::memcpy(gSpill.data() + gSpillPosition, buffer, count);
    gSpillPosition += count;
    return int32_t(count);
}
int32_t spillClose(int32_t) {
    return 0;
}
int32_t spillSeek(int32_t, int32_t offset, int32_t) {
    gSpillPosition = uint32_t(offset);
    return offset;
}
const FileCallbacks kSpillFiles = {spillOpen, spillRead, spillWrite, spillClose, spillSeek};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t config = data[0];
    const unsigned windowBits = 10 + (config & 0x0F) % 12;
    const bool paged = config & 0x10;
    gRefuseSize = paged ? 1u << windowBits : 0;
    gSlotBudget = paged ? 3 + ((config >> 5) * 3) : -1;
    uint32_t maxOutput = kCodecOutputSize, inputSize = 0;
    void* handle = nullptr;
    QuantumParams params{windowBits, -1};
    if (kQuantumCodec.create(&maxOutput, &params, fuzzAlloc, fuzzFree, &inputSize, &handle,
                             &kSpillFiles) != CodecSuccess) {
        return 0;
    }
    static uint8_t output[kCodecOutputSize];
    size_t at = 1;
    while (at + 4 <= size) {
        uint32_t blockSize = load16(data + at);
        uint32_t wanted = load16(data + at + 2);
        at += 4;
        if (wanted & 0x8000) kQuantumCodec.reset(handle);
        wanted = (wanted & 0x7FFF) + 1;
        if (blockSize > size - at) blockSize = uint32_t(size - at);
        // Exactly the block's bytes, so any read past them shows.
        std::vector<uint8_t> block(data + at, data + at + blockSize);
        at += blockSize;
        uint32_t produced = wanted;
        kQuantumCodec.decompress(handle, block.data(), blockSize, output, &produced);
    }
    kQuantumCodec.destroy(handle);
    return 0;
}
