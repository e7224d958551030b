#include "codecs/mszip/decode_codes.h"

#include <bit>
#include <cstring>

#include "codecs/mszip/match_copy.h"

namespace tamrix::mszip {
namespace {

constexpr uint32_t kMaxMatchLength = 258;
// The most one fast-loop iteration writes: two literals of a run, then a longest match.
constexpr uint32_t kMostPerIteration = 2 + kMaxMatchLength;

// Follows links into sub-tables. Returns false on an invalid entry. Needs the code's bits held.
inline bool resolveEntry(BitReader& in, const HuffmanEntry* table, HuffmanEntry& entry) {
    while (entry.op > kOpLinkBase) {
        if (entry.op == kOpInvalid) return false;
        dropBits(in, entry.bits);
        entry = table[entry.value + peekBits(in, entry.op - kOpLinkBase)];
    }
    dropBits(in, entry.bits);
    return true;
}

}  // namespace

// The fast loop reads an entry as one 32-bit word: op in the low byte, bits above it, the
// value in the high half (the layout of HuffmanEntry on a little-endian machine).
static_assert(std::endian::native == std::endian::little);
inline uint32_t entryWord(const HuffmanEntry* table, uint64_t index) {
    uint32_t word;
    std::memcpy(&word, table + index, sizeof word);
    return word;
}
inline uint32_t wordOp(uint32_t word) {
    return word & 0xFF;
}
inline uint32_t wordBits(uint32_t word) {
    return (word >> 8) & 0xFF;
}
inline uint32_t wordValue(uint32_t word) {
    return word >> 16;
}

bool decodeCodes(InflateState& state, DecodeTable litLen, DecodeTable distance) {
    BitReader in = state.input;
    uint8_t* out = state.out;
    uint8_t* const window = state.window;
    uint8_t* const outLimit = state.outLimit;
    const HuffmanEntry* const litLenTable = litLen.entries;
    const uint32_t litLenMask = (uint32_t{1} << litLen.width) - 1;
    const HuffmanEntry* const distanceTable = distance.entries;
    const uint32_t distanceMask = (uint32_t{1} << distance.width) - 1;
    bool valid = false;

    // Fast loop: whole-word refills and no limit checks while the most an iteration writes still
    // fits and sixteen data bytes remain (two refills per iteration). A refill covers a match.
    while (in.end - in.next >= 16 && uint32_t(outLimit - out) >= kMostPerIteration) {
        refillWord(in);
        uint32_t word = entryWord(litLenTable, in.bits & litLenMask);
        if (wordOp(word) == kOpLiteral) {
            // Runs of literals: a first-level literal takes at most 11 bits, so three fit in
            // one refill. A code that follows them is decoded after a second refill, which
            // keeps the bits it was looked up with.
            dropBits(in, wordBits(word));
            *out++ = uint8_t(wordValue(word));
            word = entryWord(litLenTable, in.bits & litLenMask);
            if (wordOp(word) != kOpLiteral) goto code;
            dropBits(in, wordBits(word));
            *out++ = uint8_t(wordValue(word));
            word = entryWord(litLenTable, in.bits & litLenMask);
            if (wordOp(word) != kOpLiteral) goto code;
            dropBits(in, wordBits(word));
            *out++ = uint8_t(wordValue(word));
            continue;
        code:
            refillWord(in);
        }
        if (wordOp(word) > kOpLinkBase) {
            if (wordOp(word) == kOpInvalid) goto done;
            dropBits(in, wordBits(word));
            word = entryWord(litLenTable,
                             wordValue(word) + peekBits(in, wordOp(word) - kOpLinkBase));
            if (wordOp(word) == kOpInvalid) goto done;
        }
        dropBits(in, wordBits(word));
        if (wordOp(word) == kOpLiteral) {
            *out++ = uint8_t(wordValue(word));
            continue;
        }
        if (wordOp(word) == kOpEndOfBlock) {
            valid = true;
            goto done;
        }
        const uint32_t length = wordValue(word) + takeBits(in, wordOp(word));
        word = entryWord(distanceTable, in.bits & distanceMask);
        if (wordOp(word) > kOpLinkBase) {
            if (wordOp(word) == kOpInvalid) goto done;
            dropBits(in, wordBits(word));
            word = entryWord(distanceTable,
                             wordValue(word) + peekBits(in, wordOp(word) - kOpLinkBase));
            if (wordOp(word) == kOpInvalid) goto done;
        }
        dropBits(in, wordBits(word));
        const uint32_t matchDistance = wordValue(word) + takeBits(in, wordOp(word));
        out = copyMatch(window, out, matchDistance, length);
    }

    // Careful loop near the end of the input or of the output limit.
    for (;;) {
        if (out == outLimit) {
            valid = true;
            break;
        }
        refill(in);
        HuffmanEntry entry = litLenTable[in.bits & litLenMask];
        if (!resolveEntry(in, litLenTable, entry)) break;
        if (entry.op == kOpLiteral) {
            *out++ = uint8_t(entry.value);
            continue;
        }
        if (entry.op == kOpEndOfBlock) {
            valid = true;
            break;
        }
        uint32_t length = entry.value + takeBits(in, entry.op);
        entry = distanceTable[in.bits & distanceMask];
        if (!resolveEntry(in, distanceTable, entry)) break;
        const uint32_t matchDistance = entry.value + takeBits(in, entry.op);
        // A match cut by the output limit ends the block's decoding there.
        const uint32_t room = uint32_t(outLimit - out);
        if (length > room) length = room;
        out = copyMatch(window, out, matchDistance, length);
    }

done:
    state.input = in;
    state.out = out;
    return valid;
}

}  // namespace tamrix::mszip
