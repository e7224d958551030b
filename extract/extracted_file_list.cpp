#include "extract/extracted_file_list.h"

#include <cstring>

namespace tamrix {

ExtractedFileList extractedFiles = {0, nullptr, nullptr};

void appendExtractedFile(const char* path) {
    uint32_t length = uint32_t(std::strlen(path)) + 1;
    uint32_t newCount = extractedFiles.byteCount + length;
    if (newCount < extractedFiles.byteCount) return;
    platform::GlobalBlock block = extractedFiles.byteCount
                                      ? platform::globalReAlloc(extractedFiles.block, newCount)
                                      : platform::globalAlloc(newCount);
    if (!block) return;
    extractedFiles.block = block;
    extractedFiles.byteCount = newCount;
    extractedFiles.address = static_cast<char*>(platform::globalLock(block));
    // The NUL after the path is the block's zero fill.
    std::memcpy(extractedFiles.address + newCount - length, path, length - 1);
}

void releaseExtractedFiles() {
    if (extractedFiles.block) platform::globalFree(extractedFiles.block);
    extractedFiles = {0, nullptr, nullptr};
}

}  // namespace tamrix
