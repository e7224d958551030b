// The compressor's bit output: 16-bit little-endian words, most significant bit first.
#pragma once

#include <cstdint>
#include <vector>

namespace tamrix::lzx {

class BitWriter {
  public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

    // Appends the low `bits` bits of value (0 to 32 bits).
    void put(uint32_t value, uint32_t bits) {
        if (bits == 0) return;
        acc_ = (acc_ << bits) | (value & ((uint64_t(1) << bits) - 1));
        pending_ += bits;
        while (pending_ >= 16) {
            pending_ -= 16;
            const uint32_t word = uint32_t(acc_ >> pending_) & 0xFFFF;
            out_.push_back(uint8_t(word));
            out_.push_back(uint8_t(word >> 8));
        }
        acc_ &= (uint64_t(1) << pending_) - 1;
    }

    // Pads with zeros to the next 16-bit boundary (nothing when already there).
    void flush() {
        if (pending_ != 0) put(0, 16 - pending_);
    }

    // The alignment before an uncompressed block's R0-R2: 1 to 16 zero bits.
    void alignForUncompressed() { put(0, 16 - pending_); }

    uint32_t pendingBits() const { return pending_; }

  private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    uint32_t pending_ = 0;
};

}  // namespace tamrix::lzx
