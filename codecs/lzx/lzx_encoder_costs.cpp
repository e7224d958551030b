#include "codecs/lzx/lzx_encoder_costs.h"

#include <algorithm>

#include "codecs/lzx/lzx_code_lengths.h"

namespace tamrix::lzx {

namespace {
// What an unused symbol is taken to cost: about what a rare symbol's code runs to.
constexpr uint32_t kUnusedMainCost = 14;
constexpr uint32_t kUnusedLengthCost = 11;
}  // namespace

BlockCodes buildBlockCodes(const Item* items, size_t count, uint32_t mainCount) {
    BlockCodes codes;
    uint32_t mainFreq[kMaxMainSymbols] = {};
    uint32_t lengthFreq[kLengthSymbols] = {};
    uint32_t alignedFreq[kAlignedSymbols] = {};
    uint64_t verbatimExtra = 0;
    for (size_t i = 0; i < count; ++i) {
        const Item& item = items[i];
        ++mainFreq[item.mainSymbol];
        if (item.lengthSymbol >= 0) ++lengthFreq[uint32_t(item.lengthSymbol)];
        if (item.extraBits >= 3) {
            ++alignedFreq[item.extra & 7];
            verbatimExtra += 3;
        }
    }
    buildCodeLengths(mainFreq, mainCount, 16, codes.main);
    buildCodeLengths(lengthFreq, kLengthSymbols, 16, codes.length);
    buildCodeLengths(alignedFreq, kAlignedSymbols, 7, codes.aligned);
    uint32_t distinct = 0;
    for (uint32_t f : alignedFreq) distinct += f != 0;
    // With fewer than two aligned values in use, a flat code is as good and always complete.
    if (distinct < 2) std::fill(codes.aligned, codes.aligned + kAlignedSymbols, 3);
    uint64_t alignedExtra = 3 * kAlignedSymbols;  // the aligned tree itself
    for (uint32_t s = 0; s < kAlignedSymbols; ++s) {
        alignedExtra += uint64_t(alignedFreq[s]) * codes.aligned[s];
    }
    codes.alignedPays = alignedExtra < verbatimExtra;
    return codes;
}

CostModel CostModel::fromLengths(const uint8_t* mainLengths, uint32_t mainCount,
                                 const uint8_t* lengthLengths, const uint8_t* alignedLengths,
                                 bool useAligned) {
    CostModel model;
    bool anyMain = false;
    for (uint32_t s = 0; s < mainCount; ++s) anyMain |= mainLengths[s] != 0;
    for (uint32_t s = 0; s < kMaxMainSymbols; ++s) {
        if (!anyMain) {
            // No block yet: literals at a byte, matches at a little more than their slot's worth.
            model.main[s] = s < kLiteralCount ? 8 : 9 + (s - kLiteralCount) / 64;
        } else {
            model.main[s] = s < mainCount && mainLengths[s] ? mainLengths[s] : kUnusedMainCost;
        }
    }
    for (uint32_t s = 0; s < kLengthSymbols; ++s) {
        model.length[s] = anyMain ? (lengthLengths[s] ? lengthLengths[s] : kUnusedLengthCost)
                                  : 6 + std::min<uint32_t>(s / 16, 6);
    }
    for (uint32_t s = 0; s < kAlignedSymbols; ++s) {
        model.aligned[s] = alignedLengths && alignedLengths[s] ? alignedLengths[s] : 3;
    }
    model.useAligned = useAligned && alignedLengths != nullptr;
    return model;
}

}  // namespace tamrix::lzx
