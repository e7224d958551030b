#include "codecs/lzx/lzx_trees.h"

#include <cstring>

#include "codecs/lzx/lzx_huffman_table.h"

namespace tamrix::lzx {
namespace {

// (d + 17) mod 17 for d from -17 to 16, indexed by 17 + d.
constexpr uint8_t kMod17[34] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

inline uint8_t deltaLength(uint8_t previous, uint32_t symbol) {
    const int32_t d = int32_t(previous) - int32_t(symbol);
    // Symbols 18 and 19 after a 19 can push below the table: such lengths become 0.
    if (d < -17) return 0;
    return kMod17[17 + d];
}

__attribute__((always_inline)) inline bool readLengthRunFrom(BitReader& reader, uint8_t* lengths,
                                                             const uint8_t* previous,
                                                             uint32_t first, uint32_t end) {
    uint8_t preLengths[kPreTreeSymbols];
    for (uint32_t i = 0; i < kPreTreeSymbols; ++i) preLengths[i] = uint8_t(reader.read(4));
    if (reader.overrun()) return false;

    uint32_t preTable[1 << kPreTreeTableBits];
    uint32_t preNodes[kPreTreeSymbols][2];
    if (!buildDecodeTable(kPreTreeSymbols, preLengths, kPreTreeTableBits, preTable, preNodes)) {
        return false;
    }

    uint32_t i = first;
    while (i < end) {
        reader.refill();
        const uint32_t symbol = decodeSymbol<kPreTreeTableBits>(reader, preTable, preNodes);
        if (symbol <= kPreTreeLastDelta) {
            lengths[i] = deltaLength(previous[i], symbol);
            ++i;
        } else if (symbol == kPreTreeZerosShort || symbol == kPreTreeZerosLong) {
            uint32_t run = symbol == kPreTreeZerosShort ? 4 + reader.take(4) : 20 + reader.take(5);
            if (run > end - i) run = end - i;
            std::memset(lengths + i, 0, run);
            i += run;
        } else {  // kPreTreeSameRun
            uint32_t run = 4 + reader.take(1);
            const uint32_t second = decodeSymbol<kPreTreeTableBits>(reader, preTable, preNodes);
            const uint8_t value = deltaLength(previous[i], second);
            if (run > end - i) run = end - i;
            std::memset(lengths + i, value, run);
            i += run;
        }
        if (reader.overrun()) return false;
    }
    return !reader.overrun();
}

}  // namespace

bool readLengthRun(BitReader& reader, uint8_t* lengths, const uint8_t* previous, uint32_t first,
                   uint32_t end) {
    // A local reader stays in registers: the length stores could alias the caller's.
    BitReader r = reader;
    const bool ok = readLengthRunFrom(r, lengths, previous, first, end);
    reader = r;
    return ok;
}

bool readBlockTrees(LzxDecoder& d, BitReader& reader, bool aligned) {
    if (aligned) {
        for (uint32_t i = 0; i < kAlignedSymbols; ++i)
            d.alignedLengths[i] = uint8_t(reader.read(3));
        if (reader.overrun()) return false;
        if (!buildAlignedTable(d.alignedLengths, d.alignedTable)) return false;
    }
    const uint32_t mainCount = mainSymbolCount(d);
    std::memcpy(d.previousMainLengths, d.mainLengths, mainCount);
    std::memcpy(d.previousLengthLengths, d.lengthLengths, kLengthSymbols);

    if (!readLengthRun(reader, d.mainLengths, d.previousMainLengths, 0, kLiteralCount) ||
        !readLengthRun(reader, d.mainLengths, d.previousMainLengths, kLiteralCount, mainCount) ||
        !buildDecodeTable(mainCount, d.mainLengths, kMainTableBits, d.mainTable, d.mainNodes)) {
        return false;
    }
    if (!readLengthRun(reader, d.lengthLengths, d.previousLengthLengths, 0, kLengthSymbols) ||
        !buildDecodeTable(kLengthSymbols, d.lengthLengths, kLengthTableBits, d.lengthTable,
                          d.lengthNodes)) {
        return false;
    }
    return true;
}

}  // namespace tamrix::lzx
