// In-memory callbacks for driving the engine in tests: files live in a map, targets collect what
// is written to them, and every allocation and handle is counted so that leaks, double frees and
// handles left open show. Faults can be injected at chosen calls.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cab/decoder.h"

namespace tamrix::test {

struct OpenFile {
    std::string name;
    bool target = false;
    size_t position = 0;
};

// One world per test (the callbacks carry no user pointer, so it is process-wide).
struct MemoryWorld {
    std::map<std::string, std::vector<uint8_t>> files;    // cabinets by joined path
    std::map<std::string, std::vector<uint8_t>> written;  // target contents by name
    std::map<int32_t, OpenFile> handles;
    int32_t nextHandle = 3;

    // Counters.
    std::map<void*, uint32_t> liveBlocks;
    uint64_t allocations = 0;
    uint64_t frees = 0;
    uint64_t badFrees = 0;   // pointers never handed out or freed twice
    uint64_t badCloses = 0;  // handles that were not open
    uint64_t reads = 0;
    uint64_t bytesRead = 0;
    std::vector<std::string> opened;  // paths, in order

    // Faults: 0 = never; n = the n-th call (counting from 1) fails.
    uint64_t failAllocation = 0;
    uint32_t failAllocationsOfSize = 0;  // every allocation of exactly this size fails
    uint64_t failRead = 0;
    std::set<std::string> failOpen;
    bool shortWrites = false;
    bool failCabinetClose = false;

    std::vector<std::string>* log = nullptr;  // when set, callbacks append "open", "close", ...

    int32_t createTarget(const std::string& name);
    size_t liveHandleCount() const { return handles.size(); }
    size_t liveAllocationCount() const { return liveBlocks.size(); }
};

// Resets the world (freeing anything the engine leaked) and returns it.
MemoryWorld& resetWorld();
MemoryWorld& world();

DecoderCallbacks memoryCallbacks();

}  // namespace tamrix::test
