// Callbacks for driving the Quantum codec directly: counting allocations that can refuse the
// window's block or run out after a number of page slots, and an in-memory spill file with
// faults to order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/codec_interface.h"
#include "tests/support/quantum_test_data.h"

namespace tamrix::quantum_test {

struct AllocPolicy {
    uint32_t refuseSize = 0;  // refuse every block of exactly this size (0: none)
    int slotBudget = -1;      // page slots still granted (-1: unlimited)
    uint32_t slotSize = 0;    // size of a page slot, as the codec asks for it
    bool refuseAll = false;
};

struct SpillFileLog {
    int opens = 0;
    std::vector<uint8_t> lastOpenPath;  // the 6-byte request
    int32_t lastOpenFlags = 0;
    int32_t lastOpenMode = 0;
    int reads = 0;
    int writes = 0;
    int closes = 0;
    std::vector<uint32_t> writeOffsets;
    std::vector<uint32_t> readOffsets;
};

struct SpillFaults {
    bool refuseOpen = false;
    int shortReadAt = -1;  // 0-based index of the read that comes back short (-1: none)
    int failWriteAt = -1;
};

// Resets every counter, fault and policy, and the files.
void resetEnvironment();
AllocPolicy& allocPolicy();
SpillFileLog& spillLog();
SpillFaults& spillFaults();
int liveAllocations();
const std::vector<uint8_t>& spillFileBytes();

AllocFn testAlloc();
FreeFn testFree();
const FileCallbacks* memoryFiles();

// Compresses `data` with our compressor in frames of 32768 bytes.
std::vector<std::vector<uint8_t>> compressFrames(const std::vector<uint8_t>& data,
                                                 unsigned windowBits);

// A live codec made through kQuantumCodec; destroyed with the object.
class TestCodec {
  public:
    explicit TestCodec(unsigned windowBits, CodecResult* result = nullptr);
    ~TestCodec();
    void* handle() const { return handle_; }
    CodecResult decode(const std::vector<uint8_t>& block, uint8_t* out, uint32_t wanted);
    // Decodes frame after frame; returns the result of the first failure, or success.
    CodecResult decodeAll(const std::vector<std::vector<uint8_t>>& frames,
                          const std::vector<uint8_t>& original, std::vector<uint8_t>* decoded);
    CodecResult reset();

  private:
    void* handle_ = nullptr;
};

}  // namespace tamrix::quantum_test
