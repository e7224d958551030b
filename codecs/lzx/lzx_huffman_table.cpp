#include "codecs/lzx/lzx_huffman_table.h"

namespace tamrix::lzx {

bool buildDecodeTable(uint32_t symbolCount, const uint8_t* lengths, uint32_t tableBits,
                      int16_t* table, int16_t (*nodes)[2]) {
    const uint32_t tableSize = 1u << tableBits;
    uint32_t count[17] = {};
    for (uint32_t s = 0; s < symbolCount; ++s) ++count[lengths[s]];

    // Left-justified 16-bit start code of each length.
    uint32_t start[18];
    start[1] = 0;
    for (uint32_t i = 1; i <= 16; ++i) start[i + 1] = start[i] + (count[i] << (16 - i));
    if (start[17] == 0) {
        for (uint32_t i = 0; i < tableSize; ++i) table[i] = 0;
        return true;
    }
    if (start[17] != 65536) return false;

    uint32_t weight[17];
    for (uint32_t i = 1; i <= 16; ++i) {
        if (i <= tableBits) {
            start[i] >>= 16 - tableBits;
            weight[i] = 1u << (tableBits - i);
        } else {
            weight[i] = 1u << (16 - i);
        }
    }

    // Entries past the short codes lead into node chains.
    for (uint32_t i = start[tableBits + 1] >> (16 - tableBits); i < tableSize; ++i) table[i] = 0;

    int32_t nextNode = int32_t(symbolCount);
    for (uint32_t symbol = 0; symbol < symbolCount; ++symbol) {
        const uint32_t len = lengths[symbol];
        if (len == 0) continue;
        if (len <= tableBits) {
            const uint32_t first = start[len];
            if (first + weight[len] > tableSize) return false;
            for (uint32_t i = first; i < first + weight[len]; ++i) table[i] = int16_t(symbol);
            start[len] += weight[len];
            continue;
        }
        const uint32_t code = start[len];
        start[len] += weight[len];
        int16_t* slot = &table[code >> (16 - tableBits)];
        for (int32_t bit = 15 - int32_t(tableBits); bit >= 16 - int32_t(len); --bit) {
            if (*slot == 0) {
                nodes[nextNode][0] = 0;
                nodes[nextNode][1] = 0;
                *slot = int16_t(-nextNode);
                ++nextNode;
            }
            slot = &nodes[-*slot][(code >> bit) & 1];
        }
        *slot = int16_t(symbol);
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
        for (uint32_t i = start[len]; i < start[len] + weight; ++i) table[i] = uint8_t(symbol);
        start[len] = uint16_t(start[len] + weight);
    }
    return true;
}

}  // namespace tamrix::lzx
