// Little-endian fields of byte vectors by index, for the tests' builders and parsers: the loads
// and stores of codecs/little_endian.h with the bounds checked (a builder's slip throws).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "codecs/little_endian.h"

namespace tamrix::test {

inline const uint8_t* fieldAt(const std::vector<uint8_t>& bytes, size_t at, size_t width) {
    if (at > bytes.size() || width > bytes.size() - at) {
        throw std::out_of_range("a field past the end of the bytes");
    }
    return bytes.data() + at;
}
inline uint8_t* fieldAt(std::vector<uint8_t>& bytes, size_t at, size_t width) {
    return const_cast<uint8_t*>(fieldAt(std::as_const(bytes), at, width));
}

inline uint16_t get16(const std::vector<uint8_t>& bytes, size_t at) {
    return load16(fieldAt(bytes, at, 2));
}
inline uint32_t get32(const std::vector<uint8_t>& bytes, size_t at) {
    return load32(fieldAt(bytes, at, 4));
}
inline void put16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    store16(fieldAt(bytes, at, 2), value);
}
inline void put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    store32(fieldAt(bytes, at, 4), value);
}
inline void append16(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.resize(bytes.size() + 2);
    store16(bytes.data() + bytes.size() - 2, value);
}
inline void append32(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.resize(bytes.size() + 4);
    store32(bytes.data() + bytes.size() - 4, value);
}

}  // namespace tamrix::test
