// The paths of the files written, for the deletion after setup: NUL-terminated paths back to back in
// one growable zero-filled block, closed by an empty string.
#pragma once

#include <cstdint>

#include "platform/global_memory.h"

namespace tamrix {

struct ExtractedFileList {
    uint32_t byteCount;  // 0 while the list is empty
    platform::GlobalBlock block;
    char* address;
};

extern ExtractedFileList extractedFiles;

// Appends path (an empty path closes the list). When the block cannot grow the path is not recorded.
void appendExtractedFile(const char* path);
void releaseExtractedFiles();

}  // namespace tamrix
