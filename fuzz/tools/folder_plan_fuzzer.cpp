// Arbitrary file tables through the Linux tool's plan: each folder decoded in disjoint runs, front
// to back, and every wanted entry handed exactly its own bytes, begun and ended once.
//
// Input: records of 10 bytes: folder index (one byte, 0..3 or a continued index), folder offset
// (4 bytes, below 256 KiB), size (4 bytes, below 64 KiB) and whether the entry is wanted (1 byte).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/little_endian.h"
#include "tools/folder_plan.h"

namespace {

using namespace tamrix::tool;
using tamrix::load32;

constexpr uint64_t kFolderSpan = (1u << 18) + (1u << 16);  // the furthest an entry reaches

uint8_t folderByte(uint16_t folder, uint64_t position) {
    return uint8_t(position * 31 + folder * 7 + (position >> 9));
}

// Each folder's bytes made once, so handing and checking them are block moves and compares.
const uint8_t* folderBytes(uint16_t folder) {
    static std::vector<std::vector<uint8_t>> made(32);
    std::vector<uint8_t>& bytes = made[folder < 4 ? folder : 4 + (folder & 0x0F)];
    if (bytes.empty()) {
        bytes.resize(kFolderSpan);
        for (uint64_t i = 0; i < kFolderSpan; ++i) bytes[i] = folderByte(folder, i);
    }
    return bytes.data();
}

struct CheckingTargets : RunTargets {
    const std::vector<ListedEntry>* entries = nullptr;
    std::vector<bool> wanted;
    std::vector<uint64_t> received;  // bytes so far per entry
    std::vector<int> begun, ended;
    int open = 0;
    int32_t begin(size_t entry) override {
        if (begun[entry]++) std::abort();
        if (!wanted[entry]) return 0;
        ++open;
        return int32_t(entry + 1);
    }
    bool write(int32_t handle, const uint8_t* data, uint32_t count) override {
        const size_t entry = size_t(handle - 1);
        const ListedEntry& e = (*entries)[entry];
        const uint64_t at = e.folderOffset + received[entry];
        if (at + count > kFolderSpan ||
            std::memcmp(data, folderBytes(e.folderIndex) + at, count) != 0) {
            std::abort();
        }
        received[entry] += count;
        return true;
    }
    int32_t end(size_t entry, int32_t) override {
        if (ended[entry]++ || received[entry] != (*entries)[entry].size) std::abort();
        --open;
        return 1;
    }
    void discard(int32_t) override { std::abort(); }
    bool discards(int32_t) const override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<ListedEntry> entries;
    CheckingTargets targets;
    for (; size >= 10 && entries.size() < 4096; data += 10, size -= 10) {
        ListedEntry e;
        e.folderIndex = data[0] < 0xF0 ? data[0] % 4 : uint16_t(0xFFF0 | (data[0] & 0x0F));
        e.folderOffset = load32(data + 1) % (1u << 18);
        e.size = load32(data + 5) % (1u << 16);
        entries.push_back(e);
        targets.wanted.push_back(data[9] & 1);
    }
    targets.entries = &entries;
    targets.received.assign(entries.size(), 0);
    targets.begun.assign(entries.size(), 0);
    targets.ended.assign(entries.size(), 0);

    const CopyPlan plan = planCopy(entries);
    for (size_t r = 0; r < plan.runs.size(); ++r) {
        const FolderRun& run = plan.runs[r];
        if (r > 0 && plan.runs[r - 1].folderIndex == run.folderIndex &&
            plan.runs[r - 1].end >= run.start) {
            std::abort();  // runs of a folder must not touch or go back
        }
        RunWriter writer(run, entries, targets);
        // Pieces as the engine hands them: the rest of a 32 KiB block, then whole blocks.
        for (uint64_t at = run.start; at < run.end;) {
            const uint64_t blockEnd = (at / 32768 + 1) * 32768;
            const uint32_t count = uint32_t((blockEnd < run.end ? blockEnd : run.end) - at);
            if (at + count > kFolderSpan) std::abort();
            if (!writer.write(folderBytes(run.folderIndex) + at, count)) std::abort();
            at += count;
        }
        if (!writer.complete()) std::abort();
    }
    if (targets.open != 0) std::abort();
    for (size_t i = 0; i < entries.size(); ++i) {
        const bool planned = entries[i].folderIndex < 0xFFFD && entries[i].size > 0;
        if (planned != (targets.begun[i] == 1)) std::abort();
        if (planned && targets.wanted[i] && targets.ended[i] != 1) std::abort();
    }
    return 0;
}
