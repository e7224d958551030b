#include "pack/compression_pipeline.h"

#include <algorithm>

#include "pack/folder_stream.h"
#include "pack/mszip_frame_encoder.h"

namespace tamrix::pack {

namespace {

constexpr uint32_t kFrameBytes = 32768;
// MSZIP frames made by one task: large enough to keep the threads busy between hand-overs.
constexpr uint32_t kMszipTaskFrames = 32;
// A task that runs ahead of the reader waits once it holds this much output.
constexpr uint64_t kMaxBufferedBytes = uint64_t(64) << 20;

}  // namespace

unsigned defaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : std::min(cores, 64u);
}

struct CompressionPipeline::Task {
    size_t folder = 0;
    uint32_t firstFrame = 0;
    uint32_t frameCount = 0;
    bool lastOfFolder = false;
    // Filled by the thread that runs the task, read by next().
    std::deque<CompressedBlock> blocks;
    uint64_t bufferedBytes = 0;
    bool done = false;
    std::string error;  // set when the task failed
};

CompressionPipeline::CompressionPipeline(const std::vector<CabinetEntry>& entries,
                                         const std::vector<FolderWork>& folders,
                                         const Compression& compression, unsigned jobs)
    : entries_(entries), folders_(folders), compression_(compression) {
    if (jobs == 0) jobs = defaultJobs();
    lookahead_ = 2 * size_t(jobs);
    for (size_t f = 0; f < folders_.size(); ++f) {
        const uint32_t frames = uint32_t((folders_[f].size + kFrameBytes - 1) / kFrameBytes);
        const uint32_t perTask =
            compression_.kind == CompressionKind::Mszip ? kMszipTaskFrames : std::max(frames, 1u);
        uint32_t first = 0;
        do {
            auto task = std::make_unique<Task>();
            task->folder = f;
            task->firstFrame = first;
            task->frameCount = std::min(perTask, frames - first);
            first += task->frameCount;
            task->lastOfFolder = first >= frames;
            tasks_.push_back(std::move(task));
        } while (first < frames);
    }
    const size_t threads = std::min<size_t>(jobs, tasks_.size());
    for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

CompressionPipeline::~CompressionPipeline() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void CompressionPipeline::work() {
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
            return stopping_ || nextTask_ >= tasks_.size() || nextTask_ < current_ + lookahead_;
        });
        if (stopping_ || nextTask_ >= tasks_.size()) return;
        Task& task = *tasks_[nextTask_++];
        lock.unlock();
        run(task);
        lock.lock();
        task.done = true;
        changed_.notify_all();
    }
}

bool CompressionPipeline::publish(Task& task, std::vector<std::vector<uint8_t>>* blocks,
                                  std::deque<uint32_t>* frameSizes) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (std::vector<uint8_t>& data : *blocks) {
        CompressedBlock block;
        block.folder = task.folder;
        block.uncompressedSize = frameSizes->front();
        frameSizes->pop_front();
        task.bufferedBytes += data.size();
        block.data = std::move(data);
        task.blocks.push_back(std::move(block));
    }
    blocks->clear();
    changed_.notify_all();
    changed_.wait(lock, [&] { return stopping_ || task.bufferedBytes < kMaxBufferedBytes; });
    return !stopping_;
}

void CompressionPipeline::run(Task& task) {
    const FolderWork& folder = folders_[task.folder];
    std::string error;
    auto fail = [&](const std::string& message) {
        std::lock_guard<std::mutex> lock(mutex_);
        task.error = message;
    };
    std::unique_ptr<FrameEncoder> encoder;
    std::vector<uint8_t> frame(kFrameBytes);
    const uint32_t historyFrames = task.firstFrame == 0 ? 0 : 1;
    FolderStream stream(entries_, folder.firstEntry, folder.entryCount,
                        uint64_t(task.firstFrame - historyFrames) * kFrameBytes);
    if (historyFrames != 0) {
        // An MSZIP run in mid-folder: the frame before it is the history its first block
        // may refer to.
        uint32_t size = 0;
        if (!stream.read(frame.data(), kFrameBytes, &size, &error)) return fail(error);
        auto mszip = std::make_unique<MszipFrameEncoder>(compression_.level);
        mszip->setHistory(frame.data(), size);
        encoder = std::move(mszip);
    } else {
        encoder = makeFrameEncoder(compression_);
    }
    if (!encoder) return fail(compression_.describe() + " compression is not available");

    std::vector<std::vector<uint8_t>> blocks;
    std::deque<uint32_t> frameSizes;
    for (uint32_t i = 0; i < task.frameCount; ++i) {
        uint32_t size = 0;
        if (!stream.read(frame.data(), kFrameBytes, &size, &error)) return fail(error);
        if (size == 0) break;  // the files shrank; the cabinet writer counts the blocks
        frameSizes.push_back(size);
        if (!encoder->addFrame(frame.data(), size, &blocks, &error)) return fail(error);
        if (!blocks.empty() && !publish(task, &blocks, &frameSizes)) return;
    }
    encoder->finish(&blocks);
    if (task.lastOfFolder) {
        // Reading on past the last frame checks that the folder's last file ends where it did.
        uint32_t size = 0;
        if (!stream.read(frame.data(), kFrameBytes, &size, &error)) return fail(error);
        if (size != 0)
            return fail("the files of folder " + std::to_string(task.folder) +
                        " changed while being packed");
    }
    publish(task, &blocks, &frameSizes);
}

CompressionPipeline::Next CompressionPipeline::next(CompressedBlock* block, std::string* error) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (current_ >= tasks_.size()) return Next::End;
        Task& task = *tasks_[current_];
        changed_.wait(lock, [&] { return !task.blocks.empty() || task.done; });
        if (!task.blocks.empty()) {
            *block = std::move(task.blocks.front());
            task.blocks.pop_front();
            task.bufferedBytes -= block->data.size();
            changed_.notify_all();
            return Next::Block;
        }
        if (!task.error.empty()) {
            *error = task.error;
            return Next::Failed;
        }
        ++current_;
        changed_.notify_all();
    }
}

}  // namespace tamrix::pack
