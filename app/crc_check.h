// The integrity check: a CRC-32 of everything behind the package header, with a small progress box.
#pragma once

#include <cstdint>

#include "platform/module.h"

namespace tamrix {

// Standard CRC-32 (reflected polynomial 0xEDB88320) update, for callers that feed bytes piecewise.
uint32_t updateCrc32(uint32_t running, const uint8_t* bytes, uint32_t count);

// Returns the computed CRC when it equals expected, else 0 (after the "Warning" message on a
// mismatch; silently when the own file cannot be opened).
uint32_t verifyPackageCrc(void* ownerWindow, platform::ModuleHandle module, uint32_t expected);

}  // namespace tamrix
