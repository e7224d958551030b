// Multi-level lookup tables for canonical Huffman codes, built into a caller-owned area.
#pragma once

#include <cstdint>

namespace tamrix::mszip {

// One lookup slot. A code's bits are read least significant first, so the next `width` bits of
// the stream index a table directly. An entry carries all its code needs: a length or distance
// entry consumes its code and extra bits at once, and tells where the extra bits start.
struct HuffmanEntry {
    uint8_t totalBits;  // bits consumed: the code's, plus any extra bits; a link: its table's width
    uint8_t kind;       // kKind* flags, ORed with the code's bits (a link: its sub-table's width)
    uint16_t value;     // literal, symbol or base value; for a link, the sub-table's area index
};
static_assert(sizeof(HuffmanEntry) == 4);

// The decoder reads an entry as one 32-bit word: totalBits in the low byte, kind above it, the
// value in the high half (the layout of HuffmanEntry on a little-endian machine).
constexpr uint8_t kKindLiteral = 0x80;      // value: a literal byte, or a plain symbol
constexpr uint8_t kKindExceptional = 0x40;  // alone: a filler code or an unusable symbol
constexpr uint8_t kKindLink = 0x20;         // with kKindExceptional: a sub-table
constexpr uint8_t kKindEndOfBlock = 0x10;   // with kKindExceptional
constexpr uint8_t kKindInvalid = kKindExceptional;
constexpr uint8_t kKindCodeBits = 0x0F;  // a length or distance entry's kind is its code's bits

enum TableBuildResult : int32_t {
    TableBuilt = 0,
    TableIncomplete = 1,      // filler codes were added (a lone one-bit code is not counted)
    TableOverSubscribed = 2,  // the lengths describe more codes than bit patterns exist
    TableAreaFull = 3,        // the tables would not fit into the area
};

// How symbols at or above `plainSymbols` turn into entries: extraBits[symbol - plain] extra bits
// (kInvalidExtraBits: an unusable symbol), value = bases[symbol - plain]. Plain symbols below
// 256 become literals, the others the end of block.
struct SymbolCoding {
    uint32_t plainSymbols;
    const uint16_t* bases;
    const uint8_t* extraBits;
};

// Builds the tables for `count` code lengths (at most 288, each 0..15) at the start of `area`.
// `width` is the requested first-level width in, the width used out (0 when every length is 0: then
// nothing is built and the code must be treated as empty).
TableBuildResult buildHuffmanTable(const uint8_t* lengths, uint32_t count,
                                   const SymbolCoding& coding, HuffmanEntry* area,
                                   uint32_t capacity, uint32_t* width);

}  // namespace tamrix::mszip
