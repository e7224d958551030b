#include "codecs/mszip/fixed_tables.h"

#include "codecs/mszip/deflate_constants.h"

namespace tamrix::mszip {
namespace {

constexpr uint32_t kFixedLitLenArea = 520;
constexpr uint32_t kFixedDistanceArea = 32;

HuffmanEntry litLenEntries[kFixedLitLenArea];
HuffmanEntry distanceEntries[kFixedDistanceArea];
uint32_t litLenWidth;
uint32_t distanceWidth;
bool built;

}  // namespace

void ensureFixedTables() {
    if (built) return;
    uint8_t lengths[kFixedLitLenCodes];
    for (uint32_t symbol = 0; symbol < kFixedLitLenCodes; ++symbol) {
        lengths[symbol] = symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
    }
    // Both builds succeed by construction; the distance code's two unused patterns (symbols 30
    // and 31) become invalid filler entries, which is why its "incomplete" result is ignored.
    litLenWidth = 9;
    buildHuffmanTable(lengths, kFixedLitLenCodes,
                      SymbolCoding{kLengthSymbolBase, kLengthBase, kLengthExtraBits}, litLenEntries,
                      kFixedLitLenArea, &litLenWidth);
    for (uint32_t symbol = 0; symbol < kFixedDistanceCodes; ++symbol) lengths[symbol] = 5;
    distanceWidth = 5;
    buildHuffmanTable(lengths, kFixedDistanceCodes,
                      SymbolCoding{0, kDistanceBase, kDistanceExtraBits}, distanceEntries,
                      kFixedDistanceArea, &distanceWidth);
    built = true;
}

DecodeTable fixedLitLenTable() {
    return DecodeTable{litLenEntries, litLenWidth};
}
DecodeTable fixedDistanceTable() {
    return DecodeTable{distanceEntries, distanceWidth};
}

}  // namespace tamrix::mszip
