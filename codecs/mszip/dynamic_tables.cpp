#include "codecs/mszip/dynamic_tables.h"

#include "codecs/mszip/deflate_constants.h"

namespace tamrix::mszip {
namespace {

constexpr HuffmanEntry kNoCodes[1] = {{kOpInvalid, 0, 0}};

constexpr uint32_t kRepeatPrevious = 16;   // 3..6 copies of the previous length
constexpr uint32_t kRepeatZeroShort = 17;  // 3..10 zeros; 18: 11..138 zeros

DecodeTable tableOrEmpty(const HuffmanEntry* entries, uint32_t width) {
    return width == 0 ? emptyTable() : DecodeTable{entries, width};
}

}  // namespace

DecodeTable emptyTable() {
    return DecodeTable{kNoCodes, 0};
}

bool readDynamicTables(InflateState& state, DecodeTable* litLen, DecodeTable* distance) {
    BitReader& in = state.input;
    refill(in);
    const uint32_t litLenCount = takeBits(in, 5) + kLengthSymbolBase;
    const uint32_t distanceCount = takeBits(in, 5) + 1;
    const uint32_t codeLengthCount = takeBits(in, 4) + 4;
    if (litLenCount > kMaxLitLenCodes || distanceCount > kMaxDistanceCodes) return false;

    uint8_t codeLengthLengths[kCodeLengthCodes] = {};
    for (uint32_t i = 0; i < codeLengthCount; ++i) {
        if (in.count < 3) refill(in);
        codeLengthLengths[kCodeLengthOrder[i]] = uint8_t(takeBits(in, 3));
    }
    uint32_t width = kCodeLengthRootBits;
    if (buildHuffmanTable(codeLengthLengths, kCodeLengthCodes,
                          SymbolCoding{kCodeLengthCodes, nullptr, nullptr}, state.lengthArea,
                          kLengthAreaSize, &width) != TableBuilt) {
        return false;
    }
    const DecodeTable codeLengthTable = tableOrEmpty(state.lengthArea, width);
    const uint32_t codeLengthMask = (uint32_t{1} << codeLengthTable.width) - 1;

    // One sequence for both codes: a repeat may run from the literal/length lengths into the
    // distance lengths. A repeat of the previous length before any length repeats 0.
    const uint32_t total = litLenCount + distanceCount;
    uint8_t lengths[kMaxLitLenCodes + kMaxDistanceCodes];
    uint32_t filled = 0;
    uint8_t previous = 0;
    while (filled < total) {
        refill(in);
        const HuffmanEntry entry = codeLengthTable.entries[in.bits & codeLengthMask];
        // Filler codes of a one-code table, and any code of an empty one, are invalid.
        if (entry.op != kOpLiteral) return false;
        dropBits(in, entry.bits);
        const uint32_t symbol = entry.value;
        if (symbol < kRepeatPrevious) {
            previous = uint8_t(symbol);
            lengths[filled++] = previous;
            continue;
        }
        uint32_t repeat;
        uint8_t value = 0;
        if (symbol == kRepeatPrevious) {
            repeat = 3 + takeBits(in, 2);
            value = previous;
        } else if (symbol == kRepeatZeroShort) {
            repeat = 3 + takeBits(in, 3);
        } else {
            repeat = 11 + takeBits(in, 7);
        }
        if (repeat > total - filled) return false;
        previous = value;
        while (repeat-- != 0) lengths[filled++] = value;
    }

    width = kLitLenRootBits;
    if (buildHuffmanTable(lengths, litLenCount,
                          SymbolCoding{kLengthSymbolBase, kLengthBase, kLengthExtraBits},
                          state.lengthArea, kLengthAreaSize, &width) != TableBuilt) {
        return false;
    }
    *litLen = tableOrEmpty(state.lengthArea, width);
    width = kDistanceRootBits;
    if (buildHuffmanTable(lengths + litLenCount, distanceCount,
                          SymbolCoding{0, kDistanceBase, kDistanceExtraBits}, state.distanceArea,
                          kDistanceAreaSize, &width) != TableBuilt) {
        return false;
    }
    *distance = tableOrEmpty(state.distanceArea, width);
    return true;
}

}  // namespace tamrix::mszip
