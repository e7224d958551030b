// What the LZX parsers hand to the block writer: literals and matches as tree symbols.
#pragma once

#include <cstdint>

#include "codecs/lzx/lzx_format.h"

namespace tamrix::lzx {

struct Item {
    uint16_t mainSymbol;
    int16_t lengthSymbol;  // -1: none
    uint8_t extraBits;
    uint32_t extra;
};

// Position slot of a match distance (distance + 2 is the format's position).
inline uint32_t slotOfDistance(uint32_t distance) {
    const uint32_t position = distance + 2;
    if (position >= (1u << 18)) return 36 + ((position - (1u << 18)) >> 17);
    const uint32_t high = 31 - uint32_t(__builtin_clz(position));
    return 2 * high + ((position >> (high - 1)) & 1);
}

inline Item literalItem(uint8_t byte) {
    return {byte, -1, 0, 0};
}

// A match of `length` bytes coded with `slot`: 0-2 name a repeated distance, from 3 on the
// slot of `distance`.
inline Item matchItem(uint32_t length, uint32_t slot, uint32_t distance) {
    Item item{};
    if (slot >= 3) {
        item.extraBits = kExtraBits[slot];
        item.extra = distance - kDistanceBase[slot];
    }
    const uint32_t header = length - kMinMatch;
    if (header >= kNumPrimaryLengths) {
        item.mainSymbol = uint16_t(kLiteralCount + slot * 8 + kNumPrimaryLengths);
        item.lengthSymbol = int16_t(header - kNumPrimaryLengths);
    } else {
        item.mainSymbol = uint16_t(kLiteralCount + slot * 8 + header);
        item.lengthSymbol = -1;
    }
    return item;
}

// The repeated distances after a match coded with `slot`.
inline void updateRepeats(uint32_t* r, uint32_t slot, uint32_t distance) {
    if (slot < 3) {
        const uint32_t d = r[slot];
        r[slot] = r[0];
        r[0] = d;
    } else {
        r[2] = r[1];
        r[1] = r[0];
        r[0] = distance;
    }
}

}  // namespace tamrix::lzx
