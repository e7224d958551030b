// Most-significant-bit-first input over one data block. Past the block's end it yields zero bits
// and remembers that it did, so the caller can fail the block.
#pragma once

#include <cstdint>

namespace tamrix::quantum {

class BitInput {
  public:
    BitInput(const uint8_t* input, uint32_t count) : next_(input), end_(input + count) {}

    // 1 to 24 bits.
    inline __attribute__((always_inline)) uint32_t take(int n) {
        if (count_ < n) refill();
        uint32_t v = uint32_t(buffer_ >> (64 - n));
        buffer_ <<= n;
        count_ -= n;
        return v;
    }

    // A bit was taken beyond the block's last byte.
    bool exhausted() const { return phantomBits_ > uint32_t(count_); }

  private:
    inline __attribute__((always_inline)) void refill() {
        if (end_ - next_ >= 8) {
            // Whole bytes in at once; bits below the count are the stream's next bits, so a
            // later refill ORs the same values over them.
            uint64_t word = 0;
            for (int k = 0; k < 8; ++k) word = word << 8 | next_[k];
            int bytes = (63 - count_) >> 3;
            buffer_ |= word >> count_;
            next_ += bytes;
            count_ += bytes * 8;
            return;
        }
        while (count_ <= 56) {
            uint64_t byte = 0;
            if (next_ < end_) {
                byte = *next_++;
            } else {
                phantomBits_ += 8;
            }
            buffer_ |= byte << (56 - count_);
            count_ += 8;
        }
    }

    const uint8_t* next_;
    const uint8_t* end_;
    uint64_t buffer_ = 0;  // left-aligned: the next bit is bit 63
    int count_ = 0;
    uint32_t phantomBits_ = 0;  // zero bits appended after the block's end
};

}  // namespace tamrix::quantum
