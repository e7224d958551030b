// Text in the system's ANSI code page and UTF-16, in the shape of MultiByteToWideChar and
// WideCharToMultiByte with CP_ACP and no flags.
#pragma once

#include <cstdint>

namespace tamrix::platform {

// length -1 converts up to and including the NUL. Returns the units (bytes) written, the NUL
// included when it was converted; 0 when the result does not fit in capacity (out then holds
// nothing useful). A capacity of 0 asks for the size needed.
int multiByteToWide(const char* text, int length, char16_t* out, int capacity);
// Characters the code page cannot represent become '?'.
int wideToMultiByte(const char16_t* text, int length, char* out, int capacity);

// True when byte is the first byte of a double-byte character in the ANSI code page.
bool isDbcsLeadByte(uint8_t byte);

}  // namespace tamrix::platform
