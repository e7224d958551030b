// The decoder's bit input: 16-bit little-endian words, most significant bit first.
//
// The reader keeps a 64-bit look-ahead so one refill covers a whole match (a 16-bit main code,
// a 16-bit length code and 17 extra bits). It never loads a byte at or past the end of the
// block's data: such bytes read as zero. Exhaustion is judged by the bits consumed, counted
// against a reader that holds at most 32 bits and refills one word at a time: that reader may
// look 4 bytes past the data before a symbol counts as reading beyond the input.
#pragma once

#include <cstdint>

#include "codecs/little_endian.h"

namespace tamrix::lzx {

class BitReader {
  public:
    void prime(const uint8_t* input, uint32_t size, uint32_t pos) {
        data_ = input;
        dataSize_ = size;
        primePos_ = pos;
        loadPos_ = pos;
        bits_ = 0;
        count_ = 0;
        wordsReadable_ = (int64_t(size) + 4 - int64_t(pos) + 1) / 2;
        symbolLimit_ = 16 * (wordsReadable_ - 2);
        overrunLimit_ = symbolLimit_ + 16;
        guardPos_ = symbolLimit_ > 0 ? pos + uint32_t(symbolLimit_ / 8) : pos;
        refill();
        refill();  // a fresh reader needs four words
    }

    // Leaves at least 49 valid bits. Bits below the valid ones are either zero or the stream's
    // next bits, so a whole 8-byte load may be ORed in again over a word it loaded in part.
    inline void refill() {
        if (count_ > 48) return;
        if (wholeLoadAhead()) [[likely]] {
            bits_ |= wordsFirstToLast(load64(data_ + loadPos_)) >> count_;
            const uint32_t words = (64 - count_) >> 4;
            loadPos_ += 2 * words;
            count_ += 16 * words;
            return;
        }
        while (count_ <= 48) {
            uint32_t word = 0;
            if (loadPos_ < dataSize_) word = data_[loadPos_];
            if (loadPos_ + 1 < dataSize_) word |= uint32_t(data_[loadPos_ + 1]) << 8;
            bits_ |= uint64_t(word) << (48 - count_);
            count_ += 16;
            loadPos_ += 2;
        }
    }

    // Refills only when fewer than n bits (at most 49) are left.
    inline void ensure(uint32_t n) {
        if (count_ < n) refill();
    }
    // n from 1 to 32.
    inline uint32_t peek(uint32_t n) const { return uint32_t(bits_ >> (64 - n)); }
    inline void drop(uint32_t n) {
        bits_ <<= n;
        count_ -= n;
    }
    // n from 1 to 17; the caller has refilled.
    inline uint32_t take(uint32_t n) {
        const uint32_t v = peek(n);
        drop(n);
        return v;
    }
    inline uint32_t read(uint32_t n) {
        refill();
        return take(n);
    }
    // The look-ahead, next bit at bit 63 (for walking the long codes bit by bit).
    inline uint64_t bits() const { return bits_; }

    // True while the next refill is one 8-byte load. The data then outlasts the position from
    // which exhaustion is possible, so a loop that checks this needs no exhaustion test.
    inline bool wholeLoadAhead() const { return dataSize_ >= 8 && loadPos_ <= dataSize_ - 8; }

    int64_t consumed() const { return int64_t(loadPos_ - primePos_) * 8 - count_; }
    bool overrun() const { return consumed() >= overrunLimit_; }
    // True when a symbol may no longer start: the data and the 4 bytes after it are used up.
    inline bool exhausted() const { return loadPos_ > guardPos_ && consumed() >= symbolLimit_; }

    // The state a fast loop takes over while it proves its loads itself (see FastBits).
    uint32_t loadPosition() const { return loadPos_; }
    uint32_t bitCount() const { return count_; }
    void resume(uint32_t loadPos, uint64_t bits, uint32_t count) {
        loadPos_ = loadPos;
        bits_ = bits;
        count_ = count;
    }

    // Four little-endian 16-bit words as loaded, reordered so the first word is on top.
    static inline uint64_t wordsFirstToLast(uint64_t w) {
        w = w << 32 | w >> 32;
        return (w & 0x0000FFFF0000FFFFull) << 16 | (w >> 16 & 0x0000FFFF0000FFFFull);
    }

    // Byte offset of the next 16-bit boundary after the bits read so far, always skipping 1 to 16
    // bits, as the header of an uncompressed block requires.
    uint32_t alignedCursor() const {
        int64_t wordsHeld = consumed() / 16 + 2;
        if (wordsHeld > wordsReadable_) wordsHeld = wordsReadable_;
        return uint32_t(int64_t(primePos_) + 2 * (wordsHeld - 1));
    }

  private:
    const uint8_t* data_ = nullptr;
    uint32_t dataSize_ = 0;
    uint32_t primePos_ = 0;
    uint32_t loadPos_ = 0;       // next byte to load; may run past dataSize_, which loads zeros
    uint64_t bits_ = 0;          // next bit at bit 63
    uint32_t count_ = 0;         // valid bits in bits_
    int64_t wordsReadable_ = 0;  // 16-bit words a word-wise reader could take: up to data end + 4
    int64_t symbolLimit_ = 0;    // consumed bits from which no symbol may start
    int64_t overrunLimit_ = 0;   // consumed bits from which a word-wise reader has run dry
    uint32_t guardPos_ = 0;  // while loadPos_ <= guardPos_, symbolLimit_ cannot have been reached
};

// The bit input of a loop that has proven its refills are whole 8-byte loads: the same bits
// as a BitReader, in three values a compiler keeps in registers.
struct FastBits {
    const uint8_t* in;  // next byte to load
    uint64_t bits;      // next bit at bit 63
    uint32_t count;     // valid bits in bits

    // Holds at most 48 bits after taking over, so that refill() never shifts by 64: a word
    // beyond that is given back (its bits stay below the valid ones, as refill() allows).
    static FastBits from(const BitReader& r, const uint8_t* data) {
        FastBits f = {data + r.loadPosition(), r.bits(), r.bitCount()};
        if (f.count > 48) {
            f.in -= 2;
            f.count -= 16;
        }
        return f;
    }
    void storeTo(BitReader& r, const uint8_t* data) const {
        r.resume(uint32_t(in - data), bits, count);
    }
    // Leaves at least 49 valid bits, without a branch: with 49 or more it loads no word and
    // only ORs the stream's next bits in again. Needs at most 63 valid bits: a caller drops at
    // least one bit between refills.
    inline void refill() {
        bits |= BitReader::wordsFirstToLast(load64(in)) >> count;
        const uint32_t words = (64 - count) >> 4;
        in += 2 * words;
        count += 16 * words;
    }
    inline void ensure(uint32_t n) {
        if (count < n) refill();
    }
    inline uint32_t peek(uint32_t n) const { return uint32_t(bits >> (64 - n)); }
    inline void drop(uint32_t n) {
        bits <<= n;
        count -= n;
    }
    inline uint32_t take(uint32_t n) {
        const uint32_t v = peek(n);
        drop(n);
        return v;
    }
    // n from 0 to 31, without a branch for n = 0. The top word alone is shifted: a 32-bit
    // shift also on i686.
    inline uint32_t takeUpTo31(uint32_t n) {
        const uint32_t v = (uint32_t(bits >> 32) >> 1) >> (31 - n);
        drop(n);
        return v;
    }
    // Drops the code of a table entry. Its length sits in the entry's low 5 bits with bit 5
    // clear, so on x86-64 the shift takes the entry as it is (a shift counts modulo 64); i686
    // builds its 64-bit shifts from 32-bit ones, which a count below 32 keeps short.
    inline void dropEntry(uint32_t entry) {
        bits <<= entry & (sizeof(void*) == 8 ? 63 : 31);
        count -= entry & 31;
    }
};

}  // namespace tamrix::lzx
