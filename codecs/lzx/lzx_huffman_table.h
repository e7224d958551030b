// Decode tables for the LZX trees: a direct table of 2^tableBits entries, with longer codes
// continuing in node chains (entries below 0 name a node, negated).
#pragma once

#include <cstdint>

#include "codecs/lzx/lzx_bit_reader.h"
#include "codecs/lzx/lzx_format.h"

namespace tamrix::lzx {

// Builds the table of a canonical code. Lengths are 0-16. Succeeds for a complete code and for
// all lengths 0 (every lookup then yields symbol 0 with no bits); anything else fails and leaves
// the table as it was. `nodes` has room for 2 * symbolCount entries.
bool buildDecodeTable(uint32_t symbolCount, const uint8_t* lengths, uint32_t tableBits,
                      int16_t* table, int16_t (*nodes)[2]);

// The aligned-offset tree: 8 lengths of 0-7, a 7-bit table, no chains.
bool buildAlignedTable(const uint8_t* lengths, uint8_t* table);

template <uint32_t kTableBits>
inline uint32_t decodeSymbol(BitReader& reader, const int16_t* table, const int16_t (*nodes)[2],
                             const uint8_t* lengths) {
    int32_t entry = table[reader.peek(kTableBits)];
    if (entry < 0) {
        uint64_t probe = reader.bits << kTableBits;
        do {
            entry = nodes[-entry][probe >> 63];
            probe <<= 1;
        } while (entry < 0);
    }
    reader.remove(lengths[entry]);
    return uint32_t(entry);
}

}  // namespace tamrix::lzx
