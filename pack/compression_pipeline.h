// Compresses a planned cabinet's folders into data blocks, on several threads when there is
// independent work: each folder starts a compressor of its own, and MSZIP blocks depend on
// nothing but the frame before them, so runs of them can be made apart. The blocks come out in
// cabinet order and are the same bytes whatever the number of threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pack/cabinet_entry.h"
#include "pack/compression.h"

namespace tamrix::pack {

struct CompressedBlock {
    std::vector<uint8_t> data;
    uint32_t uncompressedSize = 0;
    size_t folder = 0;
};

// What the pipeline needs of one folder: its files and its size.
struct FolderWork {
    size_t firstEntry = 0;
    size_t entryCount = 0;
    uint64_t size = 0;
};

// The number of threads that -j 0 (the default) stands for: one per core.
unsigned defaultJobs();

class CompressionPipeline {
  public:
    // jobs: threads compressing at once (0: defaultJobs()).
    CompressionPipeline(const std::vector<CabinetEntry>& entries,
                        const std::vector<FolderWork>& folders, const Compression& compression,
                        unsigned jobs);
    ~CompressionPipeline();
    CompressionPipeline(const CompressionPipeline&) = delete;
    CompressionPipeline& operator=(const CompressionPipeline&) = delete;

    enum class Next { Block, End, Failed };
    // The next data block in cabinet order; Failed with a message when reading or compressing
    // went wrong.
    Next next(CompressedBlock* block, std::string* error);

  private:
    struct Task;
    void work();
    void run(Task& task);
    bool publish(Task& task, std::vector<std::vector<uint8_t>>* blocks,
                 std::deque<uint32_t>* frameSizes);

    const std::vector<CabinetEntry>& entries_;
    std::vector<FolderWork> folders_;
    Compression compression_;
    size_t lookahead_;  // tasks that may run ahead of the one being read

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Task>> tasks_;
    size_t nextTask_ = 0;  // next task a thread takes up
    size_t current_ = 0;   // task whose blocks next() hands out
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace tamrix::pack
