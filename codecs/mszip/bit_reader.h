// The bit reader of one block's deflate data: bits least significant first, held in a buffer of
// the machine's word size with the next bit at bit 0. Past the end of the data it delivers zero
// bits and counts the zero bytes it made up; only the stored-block reader asks where the data
// really stands.
#pragma once

#include <cstdint>
#include <type_traits>

#include "codecs/little_endian.h"

namespace tamrix::mszip {

// The buffer is a register: on 32-bit x86 a 64-bit one would take two of the seven registers and
// turn every shift into a pair of them.
using BitBuffer = std::conditional_t<sizeof(void*) >= 8, uint64_t, uint32_t>;
constexpr uint32_t kBufferBits = 8 * sizeof(BitBuffer);

// After any refill at least this many bits are held. 56 cover a whole match (length code and
// extra bits, distance code and extra bits: at most 15 + 5 + 15 + 13 = 48); 24 cover a length
// code with its extra bits, or a distance code with its extra bits once a sub-table's link is
// dropped (at most 15 + 13 = 28 bits in all).
constexpr uint32_t kRefillBits = kBufferBits - 8;

inline BitBuffer loadBuffer(const uint8_t* p) {
    if constexpr (kBufferBits == 64) {
        return load64(p);
    } else {
        return load32(p);
    }
}

class BitReader {
  public:
    void start(const uint8_t* data, uint32_t size) {
        bits_ = 0;
        count_ = 0;
        next_ = data;
        end_ = data + size;
        start_ = data;
        zeroBytes_ = 0;
    }

    // Data bytes not yet loaded into the buffer.
    uint32_t bytesLeft() const { return uint32_t(end_ - next_); }
    // The next byte to load, and the end of the data: a loop that knows how many bytes a round
    // loads at most compares the one with the end less that once, not the difference each time.
    const uint8_t* nextByte() const { return next_; }
    const uint8_t* dataEnd() const { return end_; }

    // One whole-word load; needs a word of data bytes left. Advances over the bytes that fit;
    // the bits above count_ then hold those bytes again, which the next load ORs in unchanged.
    // So after it all kBufferBits bits of the buffer are the stream's next bits.
    void refillWord() {
        bits_ |= loadBuffer(next_) << count();
        next_ += (~count_ & (kBufferBits - 1)) >> 3;  // (kBufferBits - 1 - count()) / 8
        count_ |= kRefillBits;
    }

    void refill() {
        if (bytesLeft() >= 8) {
            refillWord();
            return;
        }
        // The last bytes one at a time, then zero bytes.
        while (count() < kRefillBits) {
            BitBuffer byte = 0;
            if (next_ < end_) {
                byte = *next_++;
            } else {
                ++zeroBytes_;
            }
            bits_ |= byte << count();
            count_ += 8;
        }
    }

    // The whole buffer, for table lookups and for extra bits behind a code still held.
    BitBuffer buffer() const { return bits_; }
    uint32_t count() const { return count_ & (kBufferBits - 1); }

    uint32_t peek(uint32_t n) const { return uint32_t(bits_) & ((uint32_t{1} << n) - 1); }

    // Drops n (no more than held, so fewer than kBufferBits) bits. The mask is the one the
    // machine's shift applies anyway, so it costs nothing.
    void drop(uint32_t n) {
        bits_ >>= n & (kBufferBits - 1);
        count_ -= n;
    }

    // Drops the bits of a table entry whose low byte is their number (see HuffmanEntry). The
    // rest of the entry is subtracted too, which costs the hot loop nothing and leaves junk only
    // above the count's low bits: the count never exceeds kBufferBits - 1 and never falls below
    // zero, so no borrow reaches down into them.
    void dropEntry(uint32_t entry) {
        bits_ >>= entry & (kBufferBits - 1);
        count_ -= entry;
    }

    // Takes n (fewer than 32, and no more than held) bits.
    uint32_t take(uint32_t n) {
        const uint32_t value = uint32_t(bits_) & ((uint32_t{1} << n) - 1);
        drop(n);
        return value;
    }

    // Offset of the next unread whole byte, counting made-up zero bytes; call on a byte boundary.
    uint32_t bytePosition() const { return uint32_t(next_ - start_) + zeroBytes_ - count() / 8; }

    // Restarts the reader at a byte offset inside the data.
    void seekBytes(uint32_t position) {
        next_ = start_ + position;
        bits_ = 0;
        count_ = 0;
        zeroBytes_ = 0;
    }

    const uint8_t* data() const { return start_; }
    uint32_t size() const { return uint32_t(end_ - start_); }

  private:
    BitBuffer bits_;  // bits above count_ may hold the next input bytes again; never read them
    uint32_t count_;  // bits held, in the low log2(kBufferBits) bits; junk above them
    const uint8_t* next_;
    const uint8_t* end_;
    const uint8_t* start_;
    uint32_t zeroBytes_;  // zero bytes made up after the data ran out
};

}  // namespace tamrix::mszip
