// The table builder: canonical codes generated in order, bit-reversed, into a first-level table
// and, for codes longer than its width, sub-tables sized to the fewest bits that hold the codes
// sharing their first-level prefix. Tables are taken from the area in order; nothing is
// allocated.
#include "codecs/mszip/huffman_table.h"

#include <bit>
#include <cstring>

#include "codecs/mszip/deflate_constants.h"

namespace tamrix::mszip {
namespace {

constexpr uint32_t kMaxSymbols = kFixedLitLenCodes;

uint32_t lowMask(uint32_t bitCount) {
    return (uint32_t{1} << bitCount) - 1;
}

// The low `bitCount` bits of `value` (at most 16) in reverse order, without branches.
uint32_t reversed(uint32_t value, uint32_t bitCount) {
    value = (value >> 1 & 0x5555) | (value & 0x5555) << 1;
    value = (value >> 2 & 0x3333) | (value & 0x3333) << 2;
    value = (value >> 4 & 0x0F0F) | (value & 0x0F0F) << 4;
    value = (value >> 8 & 0x00FF) | (value & 0x00FF) << 8;
    return value >> (16 - bitCount);
}

HuffmanEntry makeEntry(uint32_t totalBits, uint32_t kind, uint32_t value) {
    return HuffmanEntry{uint8_t(totalBits), uint8_t(kind), uint16_t(value)};
}

// Entries are made and stored as words: see HuffmanEntry.
static_assert(std::endian::native == std::endian::little);
constexpr uint32_t entryWord(uint32_t totalBits, uint32_t kind, uint32_t value) {
    return totalBits | kind << 8 | value << 16;
}
// A symbol's entry but for its code's bits, which are added to both the bits consumed and the
// kind's code-bit field by adding their number times kCodeBitsUnit.
constexpr uint32_t kCodeBitsUnit = entryWord(1, 1, 0);
constexpr uint32_t kInvalidWord = entryWord(0, kKindInvalid, 0);
constexpr uint32_t kNoSymbol = ~uint32_t{0};  // a filler code, or a symbol no stream may use

uint32_t symbolWord(uint32_t symbol, const SymbolCoding& coding) {
    if (symbol < coding.plainSymbols) {
        return entryWord(
            0, symbol < kEndOfBlockSymbol ? kKindLiteral : kKindExceptional | kKindEndOfBlock,
            symbol);
    }
    const uint32_t extraBits = coding.extraBits[symbol - coding.plainSymbols];
    if (extraBits == kInvalidExtraBits) return kNoSymbol;
    return entryWord(extraBits, 0, coding.bases[symbol - coding.plainSymbols]);
}

}  // namespace

TableBuildResult buildHuffmanTable(const uint8_t* lengths, uint32_t count,
                                   const SymbolCoding& coding, HuffmanEntry* area,
                                   uint32_t capacity, uint32_t* width) {
    // Tallied four ways: a run of equal lengths would otherwise wait on its own count each time.
    uint32_t tally[4][kMaxCodeLength + 1] = {};
    uint32_t next = 0;
    for (; next + 4 <= count; next += 4) {
        ++tally[0][lengths[next]];
        ++tally[1][lengths[next + 1]];
        ++tally[2][lengths[next + 2]];
        ++tally[3][lengths[next + 3]];
    }
    for (; next < count; ++next) ++tally[0][lengths[next]];
    uint32_t codesOfLength[kMaxCodeLength + 1];
    for (uint32_t length = 0; length <= kMaxCodeLength; ++length) {
        codesOfLength[length] =
            tally[0][length] + tally[1][length] + tally[2][length] + tally[3][length];
    }
    if (codesOfLength[0] == count) {
        *width = 0;
        return TableBuilt;
    }

    uint32_t minLength = 1;
    while (codesOfLength[minLength] == 0) ++minLength;
    uint32_t maxLength = kMaxCodeLength;
    while (codesOfLength[maxLength] == 0) --maxLength;
    uint32_t tableBits = *width;
    if (tableBits < minLength) tableBits = minLength;
    if (tableBits > maxLength) tableBits = maxLength;
    *width = tableBits;

    // Patterns left unused at each length; what remains at the longest length becomes filler.
    int32_t patternsLeft = int32_t{1} << minLength;
    for (uint32_t length = minLength; length < maxLength; ++length) {
        patternsLeft -= int32_t(codesOfLength[length]);
        if (patternsLeft < 0) return TableOverSubscribed;
        patternsLeft <<= 1;
    }
    patternsLeft -= int32_t(codesOfLength[maxLength]);
    if (patternsLeft < 0) return TableOverSubscribed;
    const uint32_t fillerCodes = uint32_t(patternsLeft);

    // Symbols sorted by code length, by symbol within a length; filler codes come after them.
    // Unused symbols are sorted behind the used ones, which spares the loop a branch.
    uint16_t nextSlot[kMaxCodeLength + 1];
    uint32_t slot = 0;
    for (uint32_t length = 1; length <= kMaxCodeLength; ++length) {
        nextSlot[length] = uint16_t(slot);
        slot += codesOfLength[length];
    }
    const uint32_t realCodes = slot;
    nextSlot[0] = uint16_t(realCodes);
    // Each symbol is sorted as its entry without the code's bits, made here in symbol order,
    // where the branches between the kinds of symbol are predictable.
    uint32_t sorted[kMaxSymbols];
    for (uint32_t symbol = 0; symbol < count; ++symbol) {
        sorted[nextSlot[lengths[symbol]]++] = symbolWord(symbol, coding);
    }
    codesOfLength[maxLength] += fillerCodes;

    // The first-level table, then one sub-table per first-level slot that codes longer than
    // the width share, sized to the fewest bits that hold all of them: two levels at most. The
    // first level grows with the code length: a code of `length` bits has one slot among the
    // first 2^length, and doubling the table copies the shorter codes' slots to where the next
    // bit is 1, so each code is stored once and the rest is block copies.
    const uint32_t rootSize = uint32_t{1} << tableBits;
    if (rootSize > capacity) return TableAreaFull;
    uint32_t rootFilled = uint32_t{1} << minLength;
    uint32_t used = rootSize;
    HuffmanEntry* subTable = nullptr;
    uint32_t subSize = 0;
    uint32_t subPrefix = rootSize;  // first-level index of the open sub-table; none yet
    uint32_t canonical = 0;         // the current code, first bit highest
    const uint32_t* symbol = sorted;
    const uint32_t* const symbolsEnd = sorted + realCodes;

    for (uint32_t length = minLength; length <= maxLength; ++length) {
        while (rootFilled < rootSize && rootFilled < uint32_t{2} << (length - 1)) {
            std::memcpy(area + rootFilled, area, rootFilled * sizeof(HuffmanEntry));
            rootFilled <<= 1;
        }
        uint32_t codesAfterThis = codesOfLength[length];
        while (codesAfterThis-- != 0) {
            // Symbols in code order, then the filler codes.
            const uint32_t symbolPart = symbol == symbolsEnd ? kNoSymbol : *symbol++;
            // Codes index the tables first bit lowest.
            const uint32_t code = reversed(canonical++, length);
            const uint32_t codeBits = length <= tableBits ? length : length - tableBits;
            const uint32_t word =
                symbolPart == kNoSymbol ? kInvalidWord : symbolPart + codeBits * kCodeBitsUnit;
            if (length <= tableBits) {
                std::memcpy(area + code, &word, sizeof word);
                continue;
            }
            const uint32_t prefix = code & lowMask(tableBits);
            if (prefix != subPrefix) {
                // Too few codes of this length to fill the sub-table: grow it while longer
                // codes sharing the prefix are needed to use up the patterns.
                uint32_t sizeBits = length - tableBits;
                uint32_t freePatterns = uint32_t{1} << sizeBits;
                if (freePatterns > codesAfterThis + 1) {
                    freePatterns -= codesAfterThis + 1;
                    uint32_t nextLength = length;
                    while (++sizeBits < maxLength - tableBits) {
                        freePatterns <<= 1;
                        if (freePatterns <= codesOfLength[++nextLength]) break;
                        freePatterns -= codesOfLength[nextLength];
                    }
                }
                subSize = uint32_t{1} << sizeBits;
                if (subSize > capacity - used) return TableAreaFull;
                subTable = area + used;
                area[prefix] = makeEntry(tableBits, kKindExceptional | kKindLink | sizeBits, used);
                used += subSize;
                subPrefix = prefix;
            }
            for (uint32_t index = code >> tableBits; index < subSize;
                 index += uint32_t{1} << codeBits) {
                std::memcpy(subTable + index, &word, sizeof word);
            }
        }
        canonical <<= 1;
    }
    return fillerCodes != 0 && maxLength != 1 ? TableIncomplete : TableBuilt;
}

}  // namespace tamrix::mszip
