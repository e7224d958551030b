// The command-line tail: options standing in for the header's flags, a package path, a destination.
#pragma once

#include <cstdint>

namespace tamrix {

constexpr uint32_t kTailBufferSize = 512;

// Skips the program name (quoted, or up to the first character not above the blank) and the blanks
// after it; returns the tail, which lies inside commandLine.
const char* isolateCommandTail(const char* commandLine);

// Reads options into settings and the package path (260 bytes) from the tail. Returns 1 to go on,
// 0 to end the stub silently (a named package that cannot be found, or a tail, path, command or
// destination too long for its buffer).
int parseCommandLine(const char* tail, char* packagePath);

}  // namespace tamrix
