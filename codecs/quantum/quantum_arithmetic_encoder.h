// The 16-bit arithmetic encoder that mirrors the decoder, restarted for every frame.
//
// Raw extra bits share the bit stream with the arithmetic code, but the decoder reads them
// while its code register already holds 16 bits (plus any pending straddle bits) that the
// encoder has not settled yet. So the encoder keeps the code bits and the raw bits apart, notes
// after how many code bits the decoder will read each raw group, and interleaves them at flush.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamrix::quantum {

class BitSink {
  public:
    // Up to 24 bits, most significant first.
    void put(uint32_t value, int n) {
        acc_ = acc_ << n | (value & ((1u << n) - 1));
        count_ += n;
        while (count_ >= 8) {
            count_ -= 8;
            bytes_.push_back(uint8_t(acc_ >> count_));
        }
        acc_ &= (1u << count_) - 1;
    }
    uint64_t bitCount() const { return bytes_.size() * 8 + uint64_t(count_); }
    // Pads the last byte with zero bits.
    std::vector<uint8_t> finish() {
        if (count_) put(0, 8 - count_);
        return std::move(bytes_);
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    uint32_t acc_ = 0;
    int count_ = 0;
};

class ArithmeticEncoder {
  public:
    // Codes the interval [cumLow, cumHigh) of total, the same arithmetic the decoder inverts.
    void encode(uint32_t cumHigh, uint32_t cumLow, uint32_t total) {
        const uint32_t range = high_ - low_ + 1;
        high_ = (low_ + cumHigh * range / total - 1) & 0xFFFF;
        low_ = (low_ + cumLow * range / total) & 0xFFFF;
        for (;;) {
            if (!((low_ ^ high_) & 0x8000)) {
                emit(high_ >> 15);
            } else if ((low_ & 0x4000) && !(high_ & 0x4000)) {
                ++pending_;
                low_ &= 0x3FFF;
                high_ |= 0x4000;
            } else {
                break;
            }
            low_ = (low_ << 1) & 0xFFFF;
            high_ = ((high_ << 1) | 1) & 0xFFFF;
            ++shifts_;
        }
    }

    void raw(uint32_t value, int n) {
        if (n) raws_.push_back({16 + shifts_, value, n});
    }

    // Settles the code on the final low value: its 16 bits are what the decoder's register
    // holds after the last symbol, so the decoder reads exactly the bits written here.
    std::vector<uint8_t> finish() {
        emit(low_ >> 15);
        for (int k = 14; k >= 0; --k) code_.put((low_ >> k) & 1, 1);
        std::vector<uint8_t> codeBytes = code_.finish();
        BitSink out;
        uint64_t taken = 0;
        auto copyCode = [&](uint64_t upTo) {
            for (; taken < upTo; ++taken) {
                out.put((codeBytes[size_t(taken >> 3)] >> (7 - (taken & 7))) & 1, 1);
            }
        };
        for (const RawBits& r : raws_) {
            copyCode(r.afterCodeBits);
            out.put(r.value, r.count);
        }
        copyCode(16 + shifts_);
        return out.finish();
    }

  private:
    struct RawBits {
        uint64_t afterCodeBits;
        uint32_t value;
        int count;
    };

    void emit(uint32_t bit) {
        code_.put(bit, 1);
        for (; pending_ > 0; --pending_) code_.put(bit ^ 1, 1);
    }

    uint32_t low_ = 0;
    uint32_t high_ = 0xFFFF;
    uint32_t pending_ = 0;
    uint64_t shifts_ = 0;
    BitSink code_;
    std::vector<RawBits> raws_;
};

}  // namespace tamrix::quantum
