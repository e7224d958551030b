// Decode tables for the LZX trees: a direct table of 2^tableBits entries, with longer codes
// continuing in node chains, one bit per node.
//
// An entry holds what decoding a symbol needs: the code length in bits 0-4, for a match symbol
// of the main tree the extra bits of its position slot in bits 8-12, and the symbol from bit 16.
// An entry with kChainFlag set names a node (from bit 16) instead.
#pragma once

#include <cstdint>

#include "codecs/lzx/lzx_bit_reader.h"
#include "codecs/lzx/lzx_format.h"

namespace tamrix::lzx {

constexpr uint32_t kChainFlag = 0x8000;

inline uint32_t entryCodeLength(uint32_t entry) {
    return entry & 31;
}
inline uint32_t entryExtraBits(uint32_t entry) {
    return entry >> 8 & 31;
}
inline uint32_t entrySymbol(uint32_t entry) {
    return entry >> 16;
}

// Builds the table of a canonical code. Lengths are 0-16. Succeeds for a complete code and for
// all lengths 0 (every lookup then yields symbol 0 with no bits); anything else fails and leaves
// the table as it was. `nodes` has room for symbolCount entries.
bool buildDecodeTable(uint32_t symbolCount, const uint8_t* lengths, uint32_t tableBits,
                      uint32_t* table, uint32_t (*nodes)[2]);

// The aligned-offset tree: 8 lengths of 0-7, a 7-bit table, no chains. An entry holds the
// symbol in bits 0-2 and the code length from bit 3.
bool buildAlignedTable(const uint8_t* lengths, uint8_t* table);

// The look-ahead of either bit reader, next bit at bit 63.
inline uint64_t lookAhead(const BitReader& r) {
    return r.bits();
}
inline uint64_t lookAhead(const FastBits& r) {
    return r.bits;
}

// The entry of the next code; the caller drops its length.
template <uint32_t kTableBits, class Reader>
inline uint32_t lookupEntry(const Reader& reader, const uint32_t* table,
                            const uint32_t (*nodes)[2]) {
    uint32_t entry = table[reader.peek(kTableBits)];
    if (entry & kChainFlag) [[unlikely]] {
        uint64_t probe = lookAhead(reader) << kTableBits;
        do {
            entry = nodes[entrySymbol(entry)][probe >> 63];
            probe <<= 1;
        } while (entry & kChainFlag);
    }
    return entry;
}

template <uint32_t kTableBits, class Reader>
inline uint32_t decodeSymbol(Reader& reader, const uint32_t* table, const uint32_t (*nodes)[2]) {
    const uint32_t entry = lookupEntry<kTableBits>(reader, table, nodes);
    reader.drop(entryCodeLength(entry));
    return entrySymbol(entry);
}

}  // namespace tamrix::lzx
