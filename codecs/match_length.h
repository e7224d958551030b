// The length of a common run of bytes: the compressors' match finders all extend matches this
// way.
#pragma once

#include <cstdint>
#include <cstring>

namespace tamrix {

// Bytes that a[start..] and b[start..] have in common, up to maxLength in all (start counts);
// eight bytes are compared at a time. Both runs must be readable for maxLength bytes.
inline uint32_t commonLength(const uint8_t* a, const uint8_t* b, uint32_t start,
                             uint32_t maxLength) {
    uint32_t len = start;
    while (len + 8 <= maxLength) {
        uint64_t x, y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        if (x != y) return len + uint32_t(__builtin_ctzll(x ^ y) >> 3);
        len += 8;
    }
    while (len < maxLength && a[len] == b[len]) ++len;
    return len;
}

}  // namespace tamrix
