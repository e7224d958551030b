// Most-significant-bit-first input over one data block. Past the block's end it supplies zero
// bits and counts them, so the caller can fail the block once it has used one.
#pragma once

#include <cstdint>

#include "codecs/little_endian.h"
#include "codecs/quantum/quantum_inline.h"

namespace tamrix::quantum {

class BitReader {
  public:
    TAMRIX_QUANTUM_INLINE BitReader(const uint8_t* data, uint32_t size)
        : next_(data), end_(data + size) {}

    // Leaves at least 57 valid bits. `Ample`: the caller knows 8 bytes remain (see ample()).
    template <bool Ample = false>
    TAMRIX_QUANTUM_INLINE void refill() {
        if (Ample || end_ - next_ >= 8) {
            // One whole load; the bits below the count are the stream's next bits already, so
            // the next refill ORs the same values over them.
            const uint64_t word = __builtin_bswap64(load64(next_));
            const int bytes = (63 - count_) >> 3;
            bits_ |= word >> count_;
            next_ += bytes;
            count_ += 8 * bytes;
            return;
        }
        while (count_ <= 56) {
            uint64_t byte = 0;
            if (next_ < end_) {
                byte = *next_++;
            } else {
                phantomBits_ += 8;
            }
            bits_ |= byte << (56 - count_);
            count_ += 8;
        }
    }

    // The next n bits, 0 to 31; the caller has refilled.
    TAMRIX_QUANTUM_INLINE uint32_t peek(int n) const {
        return uint32_t(bits_ >> 32) >> (31 - n) >> 1;
    }
    TAMRIX_QUANTUM_INLINE void drop(int n) {
        bits_ <<= n;
        count_ -= n;
    }
    TAMRIX_QUANTUM_INLINE uint32_t take(int n) {
        const uint32_t v = peek(n);
        drop(n);
        return v;
    }

    // The low 16 bits of (value << n) | take(n), n at most 16 and lead = n + 16; the caller has
    // refilled. On 64-bit processors as one shift of value above the buffer's top bits, by
    // lead: fewer steps after the count.
    TAMRIX_QUANTUM_INLINE uint32_t shiftIn(uint32_t value, int n, int lead) {
#ifdef __LP64__
        const uint64_t joined = uint64_t(value) << 32 | bits_ >> 32;
        drop(n);
        return uint32_t((joined << lead) >> 48);
#else
        (void)lead;
        return ((value << n) | take(n)) & 0xFFFF;
#endif
    }

    // At least `bytes` bytes remain ahead, so the next refills up to that many load whole words.
    TAMRIX_QUANTUM_INLINE bool ample(uint32_t bytes) const {
        return end_ - next_ >= int32_t(bytes);
    }

    // A bit was taken beyond the block's last byte.
    TAMRIX_QUANTUM_INLINE bool exhausted() const {
        return phantomBits_ > uint32_t(count_);
    }

  private:
    const uint8_t* next_;
    const uint8_t* end_;
    uint64_t bits_ = 0;  // the next bit is bit 63
    int count_ = 0;
    uint32_t phantomBits_ = 0;  // zero bits supplied after the block's end
};

}  // namespace tamrix::quantum
