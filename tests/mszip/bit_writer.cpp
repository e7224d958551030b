#include "bit_writer.h"

#include "codecs/mszip/deflate_constants.h"

namespace tamrix::mszip::test {

void BitWriter::fixedMatch(uint32_t length, uint32_t distance) {
    uint32_t l = 28;
    while (kLengthBase[l] > length) --l;
    fixedSymbol(257 + l);
    bits(length - kLengthBase[l], kLengthExtraBits[l]);
    uint32_t d = 29;
    while (kDistanceBase[d] > distance) --d;
    fixedDistanceSymbol(d);
    bits(distance - kDistanceBase[d], kDistanceExtraBits[d]);
}

std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths) {
    uint32_t count[16] = {};
    for (uint8_t l : lengths) ++count[l];
    count[0] = 0;
    uint32_t next[16] = {};
    for (uint32_t bits = 1, code = 0; bits < 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
    }
    return codes;
}

LengthsWriter::LengthsWriter(BitWriter& w, uint32_t litLenCount, uint32_t distanceCount) : w_(w) {
    w.bits(litLenCount - 257, 5);
    w.bits(distanceCount - 1, 5);
    w.bits(19 - 4, 4);
    std::vector<uint8_t> codeLengthLengths(19);
    for (uint32_t s = 0; s < 19; ++s) codeLengthLengths[s] = s < 13 ? 4 : 5;
    for (uint32_t i = 0; i < 19; ++i) w.bits(codeLengthLengths[kCodeLengthOrder[i]], 3);
    codes_ = canonicalCodes(codeLengthLengths);
}

void writeDynamicHeader(BitWriter& w, const std::vector<uint8_t>& litLenLengths,
                        const std::vector<uint8_t>& distanceLengths) {
    LengthsWriter lengths(w, uint32_t(litLenLengths.size()), uint32_t(distanceLengths.size()));
    for (uint8_t l : litLenLengths) lengths.symbol(l);
    for (uint8_t l : distanceLengths) lengths.symbol(l);
}

}  // namespace tamrix::mszip::test
