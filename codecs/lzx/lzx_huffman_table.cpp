#include "codecs/lzx/lzx_huffman_table.h"

#include <cstring>

// The four quarters' updates side by side in the Linux tool; the stub keeps the short loop.
#ifdef _WIN32
#define LZX_UNROLL_QUARTERS
#else
#define LZX_UNROLL_QUARTERS _Pragma("GCC unroll 4")
#endif

namespace tamrix::lzx {
namespace {

// The entry of a symbol, without its length. Symbols from 256 on are main-tree matches; the
// length and pre-trees have fewer symbols, so their entries never carry extra bits.
inline uint32_t symbolEntry(uint32_t symbol) {
    uint32_t entry = symbol << 16;
    if (symbol >= kLiteralCount) entry |= uint32_t(kExtraBits[(symbol - kLiteralCount) >> 3]) << 8;
    return entry;
}

// Fills n entries from p with one entry. A code's entries form a run of a power of two that
// starts at a multiple of it, so runs of 4 or more are written 4 at a time.
inline void fillEntries(uint32_t* p, uint32_t n, uint32_t entry) {
    if (n < 4) {
        for (uint32_t i = 0; i < n; ++i) p[i] = entry;
        return;
    }
    const uint32_t quad[4] = {entry, entry, entry, entry};
    for (uint32_t i = 0; i < n; i += 4) std::memcpy(p + i, quad, sizeof quad);
}

}  // namespace

bool buildDecodeTable(uint32_t symbolCount, const uint8_t* lengths, uint32_t tableBits,
                      uint32_t* table, uint32_t (*nodes)[2]) {
    const uint32_t tableSize = 1u << tableBits;
    // The symbols in four quarters (the last one also takes the remainder), each with its own
    // tally and, below, its own cursors: four chains of counter updates in memory instead of
    // one, where runs of equal lengths would wait on each other's stores.
    const uint32_t quarter = symbolCount / 4;
    const uint8_t* const lane[4] = {lengths, lengths + quarter, lengths + 2 * quarter,
                                    lengths + 3 * quarter};
    uint32_t tally[4][17] = {};
    for (uint32_t i = 0; i < quarter; ++i) {
        LZX_UNROLL_QUARTERS
        for (uint32_t q = 0; q < 4; ++q) ++tally[q][lane[q][i]];
    }
    for (uint32_t s = 4 * quarter; s < symbolCount; ++s) ++tally[3][lengths[s]];
    uint32_t count[17];
    for (uint32_t i = 0; i <= 16; ++i)
        count[i] = tally[0][i] + tally[1][i] + tally[2][i] + tally[3][i];

    // Left-justified 16-bit start code of each length.
    uint32_t start[18];
    start[1] = 0;
    for (uint32_t i = 1; i <= 16; ++i) start[i + 1] = start[i] + (count[i] << (16 - i));
    if (start[17] == 0) {
        std::memset(table, 0, tableSize * sizeof *table);
        return true;
    }
    if (start[17] != 65536 || symbolCount > kMaxMainSymbols) return false;

    // The symbols in the order of their codes: by length, then by symbol. The short codes
    // then fill the table from its start, each length in runs of one size. Each quarter's
    // symbols of a length go after the earlier quarters' ones.
    uint16_t sorted[kMaxMainSymbols];
    uint32_t cursor[4][17];
    uint32_t at = 0;
    for (uint32_t len = 0; len <= 16; ++len) {
        for (uint32_t q = 0; q < 4; ++q) {
            cursor[q][len] = at;
            at += tally[q][len];
        }
    }
    for (uint32_t i = 0; i < quarter; ++i) {
        LZX_UNROLL_QUARTERS
        for (uint32_t q = 0; q < 4; ++q)
            sorted[cursor[q][lane[q][i]]++] = uint16_t(q * quarter + i);
    }
    for (uint32_t s = 4 * quarter; s < symbolCount; ++s)
        sorted[cursor[3][lengths[s]]++] = uint16_t(s);

    uint32_t next = count[0];  // the first symbol with a code
    uint32_t* fill = table;
    for (uint32_t len = 1; len <= tableBits; ++len) {
        const uint32_t weight = 1u << (tableBits - len);
        for (const uint32_t end = next + count[len]; next < end; ++next) {
            fillEntries(fill, weight, symbolEntry(sorted[next]) | len);
            fill += weight;
        }
    }
    // Entries past the short codes lead into node chains.
    std::memset(fill, 0, size_t(table + tableSize - fill) * sizeof *table);

    uint32_t nextNode = 0;
    for (uint32_t len = tableBits + 1; len <= 16; ++len) {
        for (const uint32_t end = next + count[len]; next < end; ++next) {
            const uint32_t code = start[len];
            start[len] += 1u << (16 - len);
            uint32_t* slot = &table[code >> (16 - tableBits)];
            for (uint32_t bit = 16 - tableBits; bit-- > 16 - len;) {
                if (*slot == 0) {  // a final entry is never 0: its length is not
                    nodes[nextNode][0] = 0;
                    nodes[nextNode][1] = 0;
                    *slot = nextNode << 16 | kChainFlag;
                    ++nextNode;
                }
                slot = &nodes[entrySymbol(*slot)][(code >> bit) & 1];
            }
            *slot = symbolEntry(sorted[next]) | len;
        }
    }
    return true;
}

bool buildAlignedTable(const uint8_t* lengths, uint8_t* table) {
    uint16_t count[8] = {};
    for (uint32_t s = 0; s < kAlignedSymbols; ++s) ++count[lengths[s]];
    uint16_t start[9];
    start[1] = 0;
    for (uint32_t i = 1; i <= 7; ++i) start[i + 1] = uint16_t(start[i] + (count[i] << (16 - i)));
    // A complete code sums to 65,536, which wraps to 0 like the all-zero code.
    if (start[8] != 0) return false;
    for (uint32_t i = 1; i <= 7; ++i) start[i] = uint16_t(start[i] >> 9);
    for (uint32_t i = 0; i < 128; ++i) table[i] = 0;
    for (uint32_t symbol = 0; symbol < kAlignedSymbols; ++symbol) {
        const uint32_t len = lengths[symbol];
        if (len == 0) continue;
        const uint32_t weight = 1u << (7 - len);
        if (start[len] + weight > 128) return false;
        for (uint32_t i = start[len]; i < start[len] + weight; ++i)
            table[i] = uint8_t(len << 3 | symbol);
        start[len] = uint16_t(start[len] + weight);
    }
    return true;
}

}  // namespace tamrix::lzx
