// Finds the cabinet inside a file: a plain cabinet, or a package with the cabinet appended.
#pragma once

#include <cstdint>

namespace tamrix::tool {

// Scans the open file from offset 0 in 32 KiB pieces for "MSCF" followed by four zero bytes (a
// match may straddle two pieces). Returns the first match's offset, or -1 when there is none.
int64_t findCabinetOffset(int fd);

}  // namespace tamrix::tool
