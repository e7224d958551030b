#include "codecs/mszip/decode_codes.h"

#include <bit>
#include <cstring>

#include "codecs/cpu_features.h"
#include "codecs/mszip/match_copy.h"

namespace tamrix::mszip {
namespace {

constexpr uint32_t kMaxMatchLength = 258;
// The most a fast round writes: a run of literals, or a longest match and its copy's overrun.
constexpr uint32_t kFastLoopOutput = kMaxMatchLength + kCopyOverrun;
// The fast loop refills at most twice per round with a 64-bit buffer, each refill advancing at
// most 7 bytes and loading 8, and at most three times with a 32-bit one (3 and 4 bytes).
constexpr uint32_t kFastLoopInput = 16;
// Literals per refill: a 64-bit refill holds four (at most 15 + 11 + 11 + 11 bits of its 56) and
// the next first-level lookup (11 more of its 64); a 32-bit one holds one literal and the
// lookup (15 + 11).
constexpr uint32_t kLiteralsPerRefill = kBufferBits == 64 ? 4 : 1;

// Entries are read as words: see HuffmanEntry.
static_assert(std::endian::native == std::endian::little);
constexpr uint32_t kLiteral = uint32_t{kKindLiteral} << 8;
constexpr uint32_t kExceptional = uint32_t{kKindExceptional} << 8;
constexpr uint32_t kLink = uint32_t{kKindLink} << 8;
constexpr uint32_t kEndOfBlock = uint32_t{kKindEndOfBlock} << 8;

inline uint32_t entryAt(const HuffmanEntry* table, uint32_t index) {
    uint32_t word;
    std::memcpy(&word, table + index, sizeof word);
    return word;
}
inline uint32_t totalBits(uint32_t entry) {
    return entry & 0xFF;
}
inline uint32_t codeBits(uint32_t entry) {
    return (entry >> 8) & kKindCodeBits;
}
inline uint32_t entryValue(uint32_t entry) {
    return entry >> 16;
}

// The extra bits of a length or distance entry, from the buffer as it stood before the entry's
// bits were dropped: they follow the code.
inline uint32_t extraBits(uint32_t before, uint32_t entry) {
    return (before & ((uint32_t{1} << totalBits(entry)) - 1)) >> codeBits(entry);
}

// Consumes a length or distance entry and returns its value.
inline uint32_t takeValue(BitReader& in, uint32_t entry) {
    const uint32_t before = uint32_t(in.buffer());
    in.dropEntry(entry);
    return entryValue(entry) + extraBits(before, entry);
}

// Drops a link's first-level bits and looks the code up in its sub-table (never a link).
inline uint32_t followLink(BitReader& in, const HuffmanEntry* table, uint32_t link) {
    in.dropEntry(link);
    return entryAt(table, entryValue(link) + in.peek(codeBits(link)));
}

// Looks up the code at the front of the reader, which holds all its bits.
inline uint32_t lookUp(BitReader& in, const HuffmanEntry* table, uint32_t mask) {
    const uint32_t entry = entryAt(table, uint32_t(in.buffer()) & mask);
    return (entry & kLink) != 0 ? followLink(in, table, entry) : entry;
}

// The Linux tool inlines the loop into one copy per instruction set; the stub, built for size,
// has the one copy.
#ifdef _WIN32
#define TAMRIX_LOOP_INLINE inline
#else
#define TAMRIX_LOOP_INLINE inline __attribute__((always_inline))
#endif

TAMRIX_LOOP_INLINE bool decodeCodesLoop(InflateState& state, DecodeTable litLen,
                                        DecodeTable distance) {
    BitReader in = state.input;
    uint8_t* out = state.out;
    uint8_t* const window = state.window;
    uint8_t* const outLimit = state.outLimit;
    const HuffmanEntry* const litLenTable = litLen.entries;
    const uint32_t litLenMask = (uint32_t{1} << litLen.width) - 1;
    const HuffmanEntry* const distanceTable = distance.entries;
    const uint32_t distanceMask = (uint32_t{1} << distance.width) - 1;
    bool valid = false;
    uint32_t entry;

    // Fast loop: no limit checks inside a round while a longest match still fits and the input
    // holds a round's word refills. Each round starts with the next literal/length entry already
    // looked up (at least a first-level width of bits is held) and a refill, so the lookup
    // does not wait for it. A refill covers a length code and its extra bits.
    if (in.bytesLeft() >= kFastLoopInput && uint32_t(outLimit - out) >= kFastLoopOutput) {
        const uint8_t* const inputFastEnd = in.dataEnd() - kFastLoopInput;
        const uint8_t* const outputFastEnd = outLimit - kFastLoopOutput;
        in.refillWord();
        entry = entryAt(litLenTable, uint32_t(in.buffer()) & litLenMask);
        do {
            in.refillWord();
            // Literals first: they are the commonest entries.
            if ((entry & kLiteral) == 0) {
                if ((entry & kExceptional) != 0) {
                    if ((entry & kLink) == 0) goto exceptional;
                    entry = followLink(in, litLenTable, entry);
                    if ((entry & kExceptional) != 0) goto exceptional;
                    if ((entry & kLiteral) != 0) goto literals;
                }
                const uint32_t length = takeValue(in, entry);
                // The distance entry is looked up before the second refill, which it needs not.
                entry = entryAt(distanceTable, uint32_t(in.buffer()) & distanceMask);
                in.refillWord();
                if ((entry & kExceptional) != 0) {
                    if ((entry & kLink) == 0) goto done;
                    entry = followLink(in, distanceTable, entry);
                    if ((entry & kExceptional) != 0) goto done;
                    // A 32-bit buffer holds at least 16 bits now, too few for a sub-table's code
                    // and its extra bits, and too few for the lookup after them.
                    if (kBufferBits == 32) in.refillWord();
                }
                const uint32_t matchDistance = takeValue(in, entry);
                // The buffer still holds a first-level width of the stream's bits: a distance
                // code and its extra bits take at most 8 + 13 bits since the last refill, or
                // 8 + 7 + 13 with a sub-table in a 64-bit buffer.
                entry = entryAt(litLenTable, uint32_t(in.buffer()) & litLenMask);
                out = copyMatchFast(window, out, matchDistance, length);
                continue;
            }
        literals:
            // A run of literals: with a 64-bit buffer four first-level ones (11 bits at most),
            // or one from a sub-table (15 bits) and three more, leave the bits for the next
            // lookup.
            {
                uint32_t literals = 0;
#pragma GCC unroll 4
                do {
                    in.dropEntry(entry);
                    *out++ = uint8_t(entryValue(entry));
                    entry = entryAt(litLenTable, uint32_t(in.buffer()) & litLenMask);
                } while (++literals < kLiteralsPerRefill && (entry & kLiteral) != 0);
            }
        } while (in.nextByte() <= inputFastEnd && out <= outputFastEnd);
    }

    // Careful loop near the end of the input or of the output limit.
    for (;;) {
        if (out == outLimit) {
            valid = true;
            goto done;
        }
        in.refill();
        entry = lookUp(in, litLenTable, litLenMask);
        if ((entry & kExceptional) != 0) goto exceptional;
        if ((entry & kLiteral) != 0) {
            in.drop(totalBits(entry));
            *out++ = uint8_t(entryValue(entry));
            continue;
        }
        uint32_t length = takeValue(in, entry);
        if (kBufferBits == 32) in.refill();
        entry = lookUp(in, distanceTable, distanceMask);
        if ((entry & kExceptional) != 0) goto done;
        if (totalBits(entry) > in.count()) in.refill();
        const uint32_t matchDistance = takeValue(in, entry);
        // A match cut by the output limit ends the block's decoding there.
        const uint32_t room = uint32_t(outLimit - out);
        if (length > room) length = room;
        out = copyMatch(window, out, matchDistance, length);
    }

exceptional:
    // The end of the block, or an invalid code (nothing of which is consumed).
    if ((entry & kEndOfBlock) != 0) {
        in.drop(totalBits(entry));
        valid = true;
    }
done:
    state.input = in;
    state.out = out;
    return valid;
}

}  // namespace

#if !defined(_WIN32) && (defined(__x86_64__) || defined(__i386__)) && \
    !defined(TAMRIX_NO_CPU_DISPATCH)
// With BMI2 the compiler shifts by a register without touching the flags (shrx), which shortens
// the chain from one entry to the next lookup; the machine decides once per deflate block.
__attribute__((target("bmi2"))) static bool decodeCodesBmi2(InflateState& state, DecodeTable litLen,
                                                            DecodeTable distance) {
    return decodeCodesLoop(state, litLen, distance);
}

bool decodeCodes(InflateState& state, DecodeTable litLen, DecodeTable distance) {
    if (cpuHasBmi2()) return decodeCodesBmi2(state, litLen, distance);
    return decodeCodesLoop(state, litLen, distance);
}
#else
bool decodeCodes(InflateState& state, DecodeTable litLen, DecodeTable distance) {
    return decodeCodesLoop(state, litLen, distance);
}
#endif

}  // namespace tamrix::mszip
