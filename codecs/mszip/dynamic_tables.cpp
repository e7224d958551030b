#include "codecs/mszip/dynamic_tables.h"

#include "codecs/mszip/deflate_constants.h"

namespace tamrix::mszip {
namespace {

constexpr HuffmanEntry kNoCodes[1] = {{0, kKindInvalid, 0}};

constexpr uint32_t kRepeatPrevious = 16;   // 3..6 copies of the previous length
constexpr uint32_t kRepeatZeroShort = 17;  // 3..10 zeros; 18: 11..138 zeros

DecodeTable tableOrEmpty(const HuffmanEntry* entries, uint32_t width) {
    return width == 0 ? emptyTable() : DecodeTable{entries, width};
}

// Reads the code lengths and builds the tables from them. `in` is the caller's own copy of the
// reader: the lengths are stored as bytes, which may alias anything, so a reader held in the
// state would be written back to memory and read again around every length.
bool readTables(BitReader& in, InflateState& state, DecodeTable* litLen, DecodeTable* distance) {
    in.refill();
    const uint32_t litLenCount = in.take(5) + kLengthSymbolBase;
    const uint32_t distanceCount = in.take(5) + 1;
    const uint32_t codeLengthCount = in.take(4) + 4;
    if (litLenCount > kMaxLitLenCodes || distanceCount > kMaxDistanceCodes) return false;

    uint8_t codeLengthLengths[kCodeLengthCodes] = {};
    for (uint32_t i = 0; i < codeLengthCount; ++i) {
        if (in.count() < 3) in.refill();
        codeLengthLengths[kCodeLengthOrder[i]] = uint8_t(in.take(3));
    }
    uint32_t width = kCodeLengthRootBits;
    if (buildHuffmanTable(codeLengthLengths, kCodeLengthCodes,
                          SymbolCoding{kCodeLengthCodes, nullptr, nullptr}, state.lengthArea,
                          kLengthAreaSize, &width) != TableBuilt) {
        return false;
    }
    const DecodeTable codeLengthTable = tableOrEmpty(state.lengthArea, width);

    // One sequence for both codes: a repeat may run from the literal/length lengths into the
    // distance lengths. A repeat of the previous length before any length repeats 0.
    const uint32_t total = litLenCount + distanceCount;
    uint8_t lengths[kMaxLitLenCodes + kMaxDistanceCodes];
    uint32_t filled = 0;
    uint8_t previous = 0;
    while (filled < total) {
        in.refill();
        const HuffmanEntry entry = codeLengthTable.entries[in.peek(codeLengthTable.width)];
        // Filler codes of a one-code table, and any code of an empty one, are invalid.
        if ((entry.kind & kKindLiteral) == 0) return false;
        in.drop(entry.totalBits);
        const uint32_t symbol = entry.value;
        if (symbol < kRepeatPrevious) {
            previous = uint8_t(symbol);
            lengths[filled++] = previous;
            continue;
        }
        uint32_t repeat;
        uint8_t value = 0;
        if (symbol == kRepeatPrevious) {
            repeat = 3 + in.take(2);
            value = previous;
        } else if (symbol == kRepeatZeroShort) {
            repeat = 3 + in.take(3);
        } else {
            repeat = 11 + in.take(7);
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

}  // namespace

DecodeTable emptyTable() {
    return DecodeTable{kNoCodes, 0};
}

bool readDynamicTables(InflateState& state, DecodeTable* litLen, DecodeTable* distance) {
    BitReader in = state.input;
    const bool read = readTables(in, state, litLen, distance);
    state.input = in;
    return read;
}

}  // namespace tamrix::mszip
