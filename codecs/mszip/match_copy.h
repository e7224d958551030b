// Match copies inside the output buffer, which is also the history: the previous block's bytes
// stay in it beyond the cursor until the current block overwrites them. No copy writes past the
// match's last byte, since those bytes may still be needed as history.
#pragma once

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
inline void copy16(uint8_t* to, const uint8_t* from) {
    std::memcpy(to, from, 16);
}

// Copies `length` bytes from `distance` back, where that source lies at or after `window`.
// Overlapping copies repeat bytes, as an LZ77 copy must.
inline uint8_t* copyFromBehind(uint8_t* out, uint32_t distance, uint32_t length) {
    const uint8_t* from = out - distance;
    if (length <= distance || distance >= 8) {
        // Each word read lies before the bytes it is written to, or is already final.
        if (length >= 8) {
            // Whole words, then one last word ending exactly at the match's end (it rewrites a
            // few bytes with the values they already hold).
            uint8_t* const lastWord = out + length - 8;
            while (out < lastWord) {
                copy8(out, from);
                out += 8;
                from += 8;
            }
            copy8(lastWord, lastWord - distance);
            return lastWord + 8;
        }
        if (length >= 4) {
            copy4(out, from);
            copy4(out + length - 4, from + length - 4);
            return out + length;
        }
    } else if (distance == 1) {
        std::memset(out, *from, length);
        return out + length;
    } else if (length > 16) {
        // A short period: once a multiple of it that is at least 8 lies behind, the bytes that
        // far back are the same, and whole words can be copied from there.
        uint32_t wide = distance;
        while (wide < 8) wide += distance;
        const uint32_t head = wide - distance;
        for (uint32_t i = 0; i < head; ++i) *out++ = *from++;
        return copyFromBehind(out, wide, length - head);
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

// copyMatch for the fast loop, with kCopyOverrun bytes of room behind the match. Copies by whole
// words and lets the last one run past the match; the bytes it runs over may still be the
// previous block's history, so they are read first and put back after. The stub, built for
// size, copies exactly.
inline uint8_t* copyMatchFast(uint8_t* window, uint8_t* out, uint32_t distance, uint32_t length) {
#ifdef _WIN32
    return copyMatch(window, out, distance, length);
#else
    if (distance > uint32_t(out - window)) return copyMatch(window, out, distance, length);
    uint8_t* const end = out + length;
    uint8_t behind[kCopyOverrun];
    std::memcpy(behind, end, kCopyOverrun);
    const uint8_t* from = out - distance;
    if (distance >= 16) {
        // Each word read lies wholly before the bytes it is written to.
        do {
            copy16(out, from);
            out += 16;
            from += 16;
        } while (out < end);
    } else if (distance >= 8) {
        do {
            copy8(out, from);
            out += 8;
            from += 8;
        } while (out < end);
    } else {
        copyFromBehind(out, distance, length);
    }
    std::memcpy(end, behind, kCopyOverrun);
    return end;
#endif
}

}  // namespace tamrix::mszip
