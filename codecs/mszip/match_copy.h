// Match copies inside the output buffer, which is also the history: the previous block's bytes
// stay in it beyond the cursor until the current block overwrites them. No copy writes past the
// match's last byte, since those bytes may still be needed as history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/mszip/deflate_constants.h"

namespace tamrix::mszip {

inline void copy8(uint8_t* to, const uint8_t* from) {
    std::memcpy(to, from, 8);
}
inline void copy4(uint8_t* to, const uint8_t* from) {
    std::memcpy(to, from, 4);
}
// On 64-bit the 16 bytes are read before any is written: there a source less than 16 bytes
// ahead may overlap (see copyMatchFast). 32-bit x86 without SSE2 would call memmove for that, once
// per 16 bytes; its sources lie 16 or more bytes away, so it copies them as plain words.
inline void copy16(uint8_t* to, const uint8_t* from) {
    if constexpr (sizeof(void*) >= 8) {
        std::memmove(to, from, 16);
    } else {
        std::memcpy(to, from, 16);
    }
}

// Copies `length` bytes from `from`, which lies 8 or more bytes behind the cursor, or ahead of
// it: so each word is read before this copy overwrites it, or is already final.
inline uint8_t* copyWords(uint8_t* out, const uint8_t* from, uint32_t length) {
    if (length >= 8) {
        // Whole words, then one last word ending exactly at the match's end (it rewrites a few
        // bytes with the values they already hold).
        uint8_t* const lastWord = out + length - 8;
        const uint8_t* const lastFrom = from + length - 8;
        while (out < lastWord) {
            copy8(out, from);
            out += 8;
            from += 8;
        }
        copy8(lastWord, lastFrom);
        return lastWord + 8;
    }
    if (length >= 4) {
        copy4(out, from);
        copy4(out + length - 4, from + length - 4);
        return out + length;
    }
    while (length-- != 0) *out++ = *from++;
    return out;
}

// Copies `length` bytes from `distance` back, where that source lies at or after `window`.
// Overlapping copies repeat bytes, as an LZ77 copy must.
inline uint8_t* copyFromBehind(uint8_t* out, uint32_t distance, uint32_t length) {
    const uint8_t* from = out - distance;
    if (distance >= 8 || (length <= distance && length >= 4)) return copyWords(out, from, length);
    if (distance == 1) {
        std::memset(out, *from, length);
        return out + length;
    }
    if (length > 16) {
        // A short period: once a multiple of it that is at least 8 lies behind, the bytes that
        // far back are the same, and whole words can be copied from there.
        uint32_t wide = distance;
        while (wide < 8) wide += distance;
        const uint32_t head = wide - distance;
        for (uint32_t i = 0; i < head; ++i) *out++ = *from++;
        return copyWords(out, out - wide, length - head);
    }
    while (length-- != 0) *out++ = *from++;
    return out;
}

// Copies a match of `distance` (1..32768) when `out - window` bytes of this block are written.
// A source before the block's start is the previous block's byte at offset + 32768; from there
// the source runs to the buffer's end and wraps to its start.
inline uint8_t* copyMatch(uint8_t* window, uint8_t* out, uint32_t distance, uint32_t length) {
    const uint32_t written = uint32_t(out - window);
    if (distance > written) {
        uint32_t fromPrevious = distance - written;
        if (fromPrevious > length) fromPrevious = length;
        // The source lies at or after the cursor, so a forward move reads every byte before
        // this copy could overwrite it.
        std::memmove(out, out + (kWindowSize - distance), fromPrevious);
        out += fromPrevious;
        length -= fromPrevious;
        if (length == 0) return out;
    }
    return copyFromBehind(out, distance, length);
}

}  // namespace tamrix::mszip

namespace tamrix::mszip {

// Room a fast copy needs behind the match: its whole words may run this far past the end.
constexpr uint32_t kCopyOverrun = 16;

// Writes the bytes of a match whose distance (1..7) is shorter than a word up to `end`, and up
// to 15 bytes more, by whole words: the bytes repeat with that period.
inline void repeatShortPeriod(uint8_t* out, uint32_t distance, uint8_t* end) {
    const uint8_t* const from = out - distance;
    if (distance == 1) {
        const uint64_t word = 0x0101010101010101u * *from;
        do {
            std::memcpy(out, &word, sizeof word);
            out += 8;
        } while (out < end);
        return;
    }
    // The first word byte by byte; after it the bytes one multiple of the period at least a
    // word back are final, and whole words can be copied from there.
    for (uint32_t i = 0; i < 8; ++i) out[i] = from[i];
    uint32_t wide = distance;
    while (wide < 8) wide += distance;
    for (uint8_t* word = out + 8; word < end; word += 8) copy8(word, word - wide);
}

// Copies 16 bytes at a time from `from`, 16 or more bytes behind the cursor or anywhere ahead
// of it, up to `end` and up to 15 bytes past it.
inline void copyBy16(uint8_t* out, const uint8_t* from, const uint8_t* end) {
    do {
        copy16(out, from);
        out += 16;
        from += 16;
    } while (out < end);
}

// Copies a match from `from`, `distance` bytes behind the cursor or (`ahead`) the previous
// block's bytes ahead of it, by whole words up to `end` and past it: the bytes the last word runs
// over may still be the previous block's history, so they are read first and put back after.
inline uint8_t* copyByWords(uint8_t* out, const uint8_t* from, uint8_t* end, uint32_t distance,
                            bool ahead) {
    uint8_t behind[kCopyOverrun];
    std::memcpy(behind, end, kCopyOverrun);
    if (ahead || distance >= 16) [[likely]] {
        copyBy16(out, from, end);
    } else if (distance >= 8) {
        do {
            copy8(out, from);
            out += 8;
            from += 8;
        } while (out < end);
    } else {
        repeatShortPeriod(out, distance, end);
    }
    std::memcpy(end, behind, kCopyOverrun);
    return end;
}

// copyMatch for the fast loop, with kCopyOverrun bytes of room behind the match (see
// copyByWords). A source ahead of the cursor must end kCopyOverrun bytes or more before the
// buffer's end (else: copyMatch, which also wraps, and calls memmove). The stub, built for size,
// copies exactly. Kept inline by force: 32-bit x86 otherwise calls it once per match.
__attribute__((always_inline)) inline uint8_t* copyMatchFast(uint8_t* window, uint8_t* out,
                                                             uint32_t distance, uint32_t length) {
#ifdef _WIN32
    return copyMatch(window, out, distance, length);
#else
    const uint32_t written = uint32_t(out - window);
    if constexpr (sizeof(void*) >= 8) {
        // Whether the source lies in the previous block is decided without a branch: early in
        // a block it varies from match to match. Such a source lies ahead of the cursor, and a
        // forward copy reads each of its words before writing over it, however near it starts;
        // only one that ends too near the buffer's end branches (the difference wraps, and so
        // passes, when the source lies behind the cursor).
        if (distance - written - 1 < length + kCopyOverrun - 1) [[unlikely]] {
            return copyMatch(window, out, distance, length);
        }
        const uint32_t ahead = distance > written;
        const uint8_t* from = out + (ptrdiff_t((0 - ahead) & kWindowSize) - ptrdiff_t(distance));
        return copyByWords(out, from, out + length, distance, ahead != 0);
    } else {
        // 32-bit x86 has too few registers for the choice without a branch: there it spills
        // the loop's values and measured slower.
        const uint8_t* from = out - distance;
        if (distance > written) {
            if (distance > kWindowSize - kCopyOverrun ||
                distance - written < length + kCopyOverrun) {
                return copyMatch(window, out, distance, length);
            }
            from = out + (kWindowSize - distance);
        }
        return copyByWords(out, from, out + length, distance, from > out);
    }
#endif
}

}  // namespace tamrix::mszip
