// Little-endian loads and stores: the byte order of every field of the cabinet and package formats
// and of the deflate and LZX bit streams. The one place that knows the host's own byte order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace tamrix {

inline uint16_t load16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

inline uint32_t load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One unaligned 8-byte load (a bit reader's refill word).
inline uint64_t load64(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

inline void store16(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

inline void store32(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}

}  // namespace tamrix
