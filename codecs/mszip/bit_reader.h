// The bit reader of one block's deflate data: bits least significant first, held in a 64-bit
// buffer. Past the end of the data it delivers zero bits without complaint; the stored-block
// reader is the only one that asks where the data really stands.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace tamrix::mszip {

struct BitReader {
    uint64_t bits;  // bits above `count` may hold the next input bytes again; never read them
    uint32_t count;
    const uint8_t* next;
    const uint8_t* end;
    const uint8_t* start;
    uint32_t zeroBytes;  // zero bytes appended after the data ran out
};

// After any refill at least this many bits are held: enough for a whole match (length code and
// extra bits, distance code and extra bits: at most 15 + 5 + 15 + 13 = 48).
constexpr uint32_t kRefillBits = 56;

inline void startBitReader(BitReader& reader, const uint8_t* data, uint32_t size) {
    reader = BitReader{0, 0, data, data + size, data, 0};
}

inline uint64_t loadLittleEndian64(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

// Whole-word refill; needs 8 readable data bytes at `next`. Advances over the bytes that fit.
inline void refillWord(BitReader& reader) {
    reader.bits |= loadLittleEndian64(reader.next) << reader.count;
    reader.next += (63 - reader.count) >> 3;
    reader.count |= kRefillBits;
}

// Byte-wise refill for the last bytes of the data, then zero bytes.
inline void refillCareful(BitReader& reader) {
    while (reader.count < kRefillBits) {
        uint64_t byte = 0;
        if (reader.next < reader.end) {
            byte = *reader.next++;
        } else {
            ++reader.zeroBytes;
        }
        reader.bits |= byte << reader.count;
        reader.count += 8;
    }
}

inline void refill(BitReader& reader) {
    if (reader.end - reader.next >= 8) {
        refillWord(reader);
    } else {
        refillCareful(reader);
    }
}

inline uint32_t peekBits(const BitReader& reader, uint32_t n) {
    return uint32_t(reader.bits) & ((uint32_t{1} << n) - 1);
}

inline void dropBits(BitReader& reader, uint32_t n) {
    reader.bits >>= n;
    reader.count -= n;
}

// Takes n (at most 32, and no more than held) bits.
inline uint32_t takeBits(BitReader& reader, uint32_t n) {
    const uint32_t value = uint32_t(reader.bits & ((uint64_t{1} << n) - 1));
    dropBits(reader, n);
    return value;
}

// Offset of the next unread whole byte, counting appended zero bytes; call on a byte boundary.
inline uint32_t bytePosition(const BitReader& reader) {
    return uint32_t(reader.next - reader.start) + reader.zeroBytes - reader.count / 8;
}

// Restarts the reader at a byte offset inside the data.
inline void seekBytes(BitReader& reader, uint32_t position) {
    reader.next = reader.start + position;
    reader.bits = 0;
    reader.count = 0;
    reader.zeroBytes = 0;
}

}  // namespace tamrix::mszip
