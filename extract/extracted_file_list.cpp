#include "extract/extracted_file_list.h"

#include <cstring>

#include "platform/global_memory.h"
#include "state/run_state.h"

namespace tamrix {

void appendExtractedFile(const char* path) {
    uint32_t length = uint32_t(std::strlen(path)) + 1;
    uint32_t newCount = runState.extractedFiles.byteCount + length;
    if (newCount < runState.extractedFiles.byteCount) return;
    platform::GlobalBlock block =
        runState.extractedFiles.byteCount
            ? platform::globalReAlloc(runState.extractedFiles.block, newCount)
            : platform::globalAlloc(newCount);
    if (!block) return;
    runState.extractedFiles.block = block;
    runState.extractedFiles.byteCount = newCount;
    runState.extractedFiles.address = static_cast<char*>(platform::globalLock(block));
    // The NUL after the path is the block's zero fill.
    std::memcpy(runState.extractedFiles.address + newCount - length, path, length - 1);
}

void releaseExtractedFiles() {
    if (runState.extractedFiles.block) platform::globalFree(runState.extractedFiles.block);
    runState.extractedFiles = {0, nullptr, nullptr};
}

}  // namespace tamrix
