#include "cab/block_checksum.h"

#include <cstring>

namespace tamrix {

namespace {

uint32_t loadWord(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// XORs `pairs` 8-byte groups: XOR is associative, so folding two little-endian words at a time
// and the two halves at the end gives the same sum as word by word.
uint32_t xorWordPairs(const uint8_t* data, uint32_t pairs) {
    if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
        uint64_t lanes = 0;
        for (uint32_t i = 0; i < pairs; ++i) {
            uint64_t value;
            std::memcpy(&value, data + 8 * size_t(i), 8);
            lanes ^= value;
        }
        return uint32_t(lanes) ^ uint32_t(lanes >> 32);
    } else {
        uint32_t acc = 0;
        for (uint32_t i = 0; i < 2 * pairs; ++i) acc ^= loadWord(data + 4 * size_t(i));
        return acc;
    }
}

}  // namespace

uint32_t blockChecksum(const uint8_t* data, uint32_t count, uint32_t seed) {
    const uint32_t words = count / 4;
    uint32_t acc = seed ^ xorWordPairs(data, words / 2);
    data += 8 * size_t(words / 2);
    if (words & 1) {
        acc ^= loadWord(data);
        data += 4;
    }
    uint32_t tail = 0;
    for (uint32_t i = 0; i < (count & 3); ++i) tail = (tail << 8) | data[i];
    return acc ^ tail;
}

}  // namespace tamrix
