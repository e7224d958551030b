// Orders the work on one cabinet so that each folder is decoded once, front to back, however the
// file table orders its entries and however many entries cover the same data: the entries of a
// folder are merged into runs of data, and each run's bytes are handed to every entry they cover.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamrix::tool {

// A file entry as a listing pass of the engine saw it.
struct ListedEntry {
    std::string name;
    uint32_t tablePosition = 0;  // of the entry in the cabinet's file table
    uint64_t folderOffset = 0;
    uint32_t size = 0;
    uint16_t folderIndex = 0;
    uint16_t date = 0, time = 0, attributes = 0;
};

// One stretch [start, end) of a folder's data, decoded once; entries by offset, then table order.
struct FolderRun {
    uint16_t folderIndex = 0;
    uint64_t start = 0, end = 0;
    size_t driver = 0;  // the entry whose table position starts the run in the engine
    std::vector<size_t> entries;
};

struct CopyPlan {
    std::vector<size_t> emptyEntries;  // entries of no bytes in a folder of this cabinet
    std::vector<FolderRun> runs;       // by folder, then offset: the engine never goes back
};

// Entries continued from or into another cabinet stay out of the plan: the engine's own walk
// handles them afterwards.
CopyPlan planCopy(const std::vector<ListedEntry>& entries);

// Where a run's bytes go. begin returns a target handle, 0 when the entry is not wanted, -1 to
// give up; end returns 1 when the target was finished, 0 on failure, -1 to give up.
struct RunTargets {
    virtual ~RunTargets() = default;
    virtual int32_t begin(size_t entry) = 0;
    virtual bool write(int32_t handle, const uint8_t* data, uint32_t count) = 0;
    virtual int32_t end(size_t entry, int32_t handle) = 0;
    virtual void discard(int32_t handle) = 0;
    // True for a handle that takes nothing (bytes are decoded and checked only).
    virtual bool discards(int32_t handle) const = 0;
};

// Feeds the decoded bytes of one run, in order, to the entries they cover.
class RunWriter {
  public:
    RunWriter(const FolderRun& run, const std::vector<ListedEntry>& entries, RunTargets& targets);
    // False when a target failed or gave up; the writer has then discarded its open targets.
    bool write(const uint8_t* data, uint32_t count);
    // True when every entry of the run was begun and ended.
    bool complete() const;
    // Closes and removes the targets still open (the run stopped early).
    void discardOpen();

  private:
    struct Open {
        uint64_t end;
        size_t entry;
        int32_t handle;
    };
    bool beginUpTo(uint64_t limit);
    bool endUpTo(uint64_t limit);

    const FolderRun& run_;
    const std::vector<ListedEntry>& entries_;
    RunTargets& targets_;
    uint64_t position_;
    size_t nextEntry_ = 0;
    std::vector<Open> byEnd_;    // a min-heap on end: every begun entry not ended yet
    std::vector<Open> writing_;  // the begun entries that take bytes
};

}  // namespace tamrix::tool
