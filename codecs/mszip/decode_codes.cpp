#include "codecs/mszip/decode_codes.h"

#include "codecs/mszip/match_copy.h"

namespace tamrix::mszip {
namespace {

constexpr uint32_t kMaxMatchLength = 258;

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

    // Fast loop: whole-word refills and no limit checks while a longest match still fits and
    // eight data bytes remain. One refill covers a whole match.
    while (in.end - in.next >= 8 && uint32_t(outLimit - out) >= kMaxMatchLength) {
        refillWord(in);
        HuffmanEntry entry = litLenTable[in.bits & litLenMask];
        if (entry.op == kOpLiteral) {
            // Runs of literals: a first-level literal takes at most 9 bits, so three fit in
            // one refill; whatever follows is looked up again after the next refill.
            dropBits(in, entry.bits);
            *out++ = uint8_t(entry.value);
            entry = litLenTable[in.bits & litLenMask];
            if (entry.op == kOpLiteral) {
                dropBits(in, entry.bits);
                *out++ = uint8_t(entry.value);
                entry = litLenTable[in.bits & litLenMask];
                if (entry.op == kOpLiteral) {
                    dropBits(in, entry.bits);
                    *out++ = uint8_t(entry.value);
                }
            }
            continue;
        }
        if (!resolveEntry(in, litLenTable, entry)) goto done;
        if (entry.op == kOpLiteral) {
            *out++ = uint8_t(entry.value);
            continue;
        }
        if (entry.op == kOpEndOfBlock) {
            valid = true;
            goto done;
        }
        const uint32_t length = entry.value + takeBits(in, entry.op);
        entry = distanceTable[in.bits & distanceMask];
        if (!resolveEntry(in, distanceTable, entry)) goto done;
        const uint32_t matchDistance = entry.value + takeBits(in, entry.op);
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
