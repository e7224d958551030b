// Multi-level lookup tables for canonical Huffman codes, built into a caller-owned area.
#pragma once

#include <cstdint>

namespace tamrix::mszip {

// One lookup slot. A code's bits are read least significant first, so the next `width` bits of
// the stream index a table directly.
struct HuffmanEntry {
    uint8_t op;      // see the kOp* values; 0..13 = extra bits of a length or distance
    uint8_t bits;    // code bits this entry resolves (a link: the bits of its own table)
    uint16_t value;  // literal, symbol or base value; for a link, the sub-table's area index
};
static_assert(sizeof(HuffmanEntry) == 4);

constexpr uint8_t kOpEndOfBlock = 15;
constexpr uint8_t kOpLiteral = 16;   // also a plain symbol of the code-length code
constexpr uint8_t kOpLinkBase = 16;  // 17..32: sub-table indexed by the next op - 16 bits
constexpr uint8_t kOpInvalid = 99;   // filler code of an incomplete code, or an unusable symbol

enum TableBuildResult : int32_t {
    TableBuilt = 0,
    TableIncomplete = 1,      // filler codes were added (a lone one-bit code is not counted)
    TableOverSubscribed = 2,  // the lengths describe more codes than bit patterns exist
    TableAreaFull = 3,        // the tables would not fit into the area
};

// How symbols at or above `plainSymbols` turn into entries: op = extraBits[symbol - plain],
// value = bases[symbol - plain]. Plain symbols below 256 become literals, 256 the end of block.
struct SymbolCoding {
    uint32_t plainSymbols;
    const uint16_t* bases;
    const uint8_t* extraBits;
};

// Builds the tables for `count` code lengths (each 0..15) at the start of `area`. `width` is the
// requested first-level width in, the width used out (0 when every length is 0: then nothing is
// built and the code must be treated as empty).
TableBuildResult buildHuffmanTable(const uint8_t* lengths, uint32_t count,
                                   const SymbolCoding& coding, HuffmanEntry* area,
                                   uint32_t capacity, uint32_t* width);

}  // namespace tamrix::mszip
