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
