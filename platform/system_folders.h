// The system's own folders, in the shape of GetWindowsDirectoryA, GetSystemDirectoryA and
// GetTempPathA. Each writes an ANSI path into out (size bytes with the NUL) and returns its
// length, or 0 with out empty when it fails or does not fit.
#pragma once

#include <cstdint>

namespace tamrix::platform {

uint32_t windowsDirectory(char* out, uint32_t size);
uint32_t systemDirectory(char* out, uint32_t size);
// Ends in a backslash.
uint32_t tempPath(char* out, uint32_t size);

}  // namespace tamrix::platform
