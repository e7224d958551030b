// The paths of the files written, for the deletion after setup: runState.extractedFiles.
#pragma once

namespace tamrix {

// Appends path (an empty path closes the list). When the block cannot grow the path is not
// recorded.
void appendExtractedFile(const char* path);
// Frees the block; the list is then empty.
void releaseExtractedFiles();

}  // namespace tamrix
