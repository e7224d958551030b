// Finds the cabinet inside a file: a plain cabinet, or a package with the cabinet appended.
#pragma once

#include <cstdint>

namespace tamrix::tool {

// Reads the open file from offset 0 in 32 KiB pieces and returns the offset of the first
// "MSCF" 00 00 00 00 (a match may straddle two pieces), or -1 when there is none.
int64_t findCabinetOffset(int fd);

// findCabinetOffset, or 0 for a plain cabinet whose reserved field is not zero (the search passes
// over it, but the file starts with the signature word); -1 when the file holds no cabinet.
int64_t locateCabinet(int fd);

}  // namespace tamrix::tool
