// The bit costs the LZX parsers weigh their choices with, and the codes a block is written
// with: both come from the code lengths of a block's trees.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/lzx/lzx_encoder_item.h"
#include "codecs/lzx/lzx_format.h"

namespace tamrix::lzx {

// Code lengths of one block's trees, built from the items it holds.
struct BlockCodes {
    uint8_t main[kMaxMainSymbols] = {};
    uint8_t length[kLengthSymbols] = {};
    uint8_t aligned[kAlignedSymbols] = {};
    // The aligned-offset block type codes the items in fewer bits than a verbatim one.
    bool alignedPays = false;
};

BlockCodes buildBlockCodes(const Item* items, size_t count, uint32_t mainCount);

struct CostModel {
    uint32_t main[kMaxMainSymbols];
    uint32_t length[kLengthSymbols];
    uint32_t aligned[kAlignedSymbols];
    bool useAligned = false;

    // Costs from code lengths; symbols without a code get a guess of what they would cost.
    static CostModel fromLengths(const uint8_t* mainLengths, uint32_t mainCount,
                                 const uint8_t* lengthLengths, const uint8_t* alignedLengths,
                                 bool useAligned);
    static CostModel fromCodes(const BlockCodes& codes, uint32_t mainCount) {
        return fromLengths(codes.main, mainCount, codes.length, codes.aligned, codes.alignedPays);
    }

    // Main symbol (and length symbol) of a match of `bytes` bytes with position slot `slot`.
    uint32_t matchCost(uint32_t bytes, uint32_t slot) const {
        const uint32_t header = bytes - kMinMatch;
        if (header < kNumPrimaryLengths) return main[kLiteralCount + slot * 8 + header];
        return main[kLiteralCount + slot * 8 + kNumPrimaryLengths] +
               length[header - kNumPrimaryLengths];
    }
    // Extra bits of an explicit distance in slot `slot` (3 or more).
    uint32_t distanceCost(uint32_t slot, uint32_t distance) const {
        const uint32_t extra = kExtraBits[slot];
        if (!useAligned || extra < 3) return extra;
        return extra - 3 + aligned[(distance - kDistanceBase[slot]) & 7];
    }
};

}  // namespace tamrix::lzx
