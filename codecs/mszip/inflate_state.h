// The per-handle decoding state: where one block's input and output stand, and the table area
// for the codes of a dynamic deflate block.
#pragma once

#include <cstdint>

#include "codecs/mszip/bit_reader.h"
#include "codecs/mszip/huffman_table.h"

namespace tamrix::mszip {

// First-level widths of a dynamic block's tables.
constexpr uint32_t kCodeLengthRootBits = 7;
constexpr uint32_t kLitLenRootBits = 11;
constexpr uint32_t kDistanceRootBits = 8;

// The table areas hold the largest tables any complete code can need (incomplete codes are
// refused). The first-level table takes 2^root entries and every first-level slot that longer
// codes share heads a sub-table of 2^(depth below the root) entries; the worst case over all
// complete codes of at most 288 codes no longer than 15 bits is 2342 entries at 11 first-level
// bits (2340 for the 286 codes a dynamic block can declare), and over 32 distance codes 402 at 8
// bits (400 for 30). Wide first levels resolve nearly every code in one lookup. The code-length
// table (at most 7 bits, 128 entries) is built in the literal/length area before the literal/length
// tables replace it.
constexpr uint32_t kLengthAreaSize = 2342;   // code-length table, then literal/length tables
constexpr uint32_t kDistanceAreaSize = 402;  // distance tables

struct InflateState {
    bool finalBlock;
    BitReader input;
    uint8_t* window;    // start of the output buffer, which also holds the previous block
    uint8_t* out;       // output cursor
    uint8_t* outLimit;  // no byte is written at or beyond this
    uint32_t maximumOutput;
    HuffmanEntry lengthArea[kLengthAreaSize];
    HuffmanEntry distanceArea[kDistanceAreaSize];
};

// A decoding table as the code decoder uses it: first-level table and its width.
struct DecodeTable {
    const HuffmanEntry* entries;
    uint32_t width;
};

}  // namespace tamrix::mszip
