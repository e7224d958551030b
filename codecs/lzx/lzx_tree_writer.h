// Writing a run of tree lengths through a pre-tree, delta-coded against the previous tree.
#pragma once

#include <cstdint>

#include "codecs/lzx/lzx_bit_writer.h"

namespace tamrix::lzx {

// The pre-tree symbol that turns a previous length into the next one.
uint8_t deltaSymbol(uint8_t previous, uint8_t next);

// Writes lengths[first..end) against previous[first..end): 20 pre-tree lengths, then the run
// with zero runs (17, 18) and runs of equal lengths (19) folded.
void writeLengthRun(BitWriter& writer, const uint8_t* lengths, const uint8_t* previous,
                    uint32_t first, uint32_t end);

}  // namespace tamrix::lzx
