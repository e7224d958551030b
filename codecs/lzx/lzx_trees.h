// Reading the trees of a verbatim or aligned-offset block.
#pragma once

#include "codecs/lzx/lzx_bit_reader.h"
#include "codecs/lzx/lzx_decoder_state.h"

namespace tamrix::lzx {

// Reads lengths[first..end) through a fresh pre-tree, coded against previous[first..end).
bool readLengthRun(BitReader& reader, uint8_t* lengths, const uint8_t* previous, uint32_t first,
                   uint32_t end);

// Reads (for aligned blocks) the aligned tree, then the main and length trees, and builds
// their tables.
bool readBlockTrees(LzxDecoder& d, BitReader& reader, bool aligned);

}  // namespace tamrix::lzx
