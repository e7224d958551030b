// The decoder's bit input: 16-bit little-endian words, most significant bit first.
//
// The reader keeps a 64-bit look-ahead so one refill covers a whole match (a 16-bit main code,
// a 16-bit length code and 17 extra bits). It never loads a byte at or past the end of the
// block's data: such bytes read as zero. Exhaustion is judged by the bits consumed, counted
// against a reader that holds at most 32 bits and refills one word at a time: that reader may
// look 4 bytes past the data before a symbol counts as reading beyond the input.
#pragma once

#include <cstdint>
#include <cstring>

namespace tamrix::lzx {

struct BitReader {
    const uint8_t* data;
    uint32_t dataSize;
    uint32_t primePos;
    uint32_t loadPos;       // next byte to load; may run past dataSize, which loads zeros
    uint64_t bits;          // next bit at bit 63
    uint32_t count;         // valid bits in `bits`
    int64_t wordsReadable;  // 16-bit words a word-wise reader could take: up to data end + 4
    int64_t symbolLimit;    // consumed bits from which no symbol may start
    int64_t overrunLimit;   // consumed bits from which a word-wise reader has run dry
    uint32_t guardPos;      // while loadPos <= guardPos, symbolLimit cannot have been reached

    void prime(const uint8_t* input, uint32_t size, uint32_t pos) {
        data = input;
        dataSize = size;
        primePos = pos;
        loadPos = pos;
        bits = 0;
        count = 0;
        wordsReadable = (int64_t(size) + 4 - int64_t(pos) + 1) / 2;
        symbolLimit = 16 * (wordsReadable - 2);
        overrunLimit = symbolLimit + 16;
        guardPos = symbolLimit > 0 ? pos + uint32_t(symbolLimit / 8) : pos;
        refill();
        refill();  // a fresh reader needs four words
    }

    // Leaves at least 49 valid bits.
    inline void refill() {
        if (count > 48) return;
        if (loadPos + 6 <= dataSize && loadPos < dataSize) [[likely]] {
            const uint8_t* p = data + loadPos;
            uint64_t words = uint64_t(p[0] | p[1] << 8) << 32 | uint64_t(p[2] | p[3] << 8) << 16 |
                             uint64_t(p[4] | p[5] << 8);
            const uint32_t take = count < 16 ? 3 : (64 - count) >> 4;  // 1 to 3 words
            bits |= (words >> (48 - 16 * take)) << (64 - count - 16 * take);
            count += 16 * take;
            loadPos += 2 * take;
            return;
        }
        while (count <= 48) {
            uint32_t word = 0;
            if (loadPos < dataSize) word = data[loadPos];
            if (loadPos + 1 < dataSize) word |= uint32_t(data[loadPos + 1]) << 8;
            bits |= uint64_t(word) << (48 - count);
            count += 16;
            loadPos += 2;
        }
    }

    inline uint32_t peek(uint32_t n) const { return uint32_t(bits >> (64 - n)); }
    inline void remove(uint32_t n) {
        bits <<= n;
        count -= n;
    }
    // n from 1 to 17; the caller has refilled.
    inline uint32_t take(uint32_t n) {
        uint32_t v = peek(n);
        remove(n);
        return v;
    }
    inline uint32_t read(uint32_t n) {
        refill();
        return take(n);
    }

    int64_t consumed() const { return int64_t(loadPos - primePos) * 8 - count; }
    bool overrun() const { return consumed() >= overrunLimit; }
    // True when a symbol may no longer start: the data and the 4 bytes after it are used up.
    inline bool exhausted() const { return loadPos > guardPos && consumed() >= symbolLimit; }

    // Byte offset of the next 16-bit boundary after the bits read so far, always skipping 1 to 16
    // bits, as the header of an uncompressed block requires.
    uint32_t alignedCursor() const {
        int64_t wordsHeld = consumed() / 16 + 2;
        if (wordsHeld > wordsReadable) wordsHeld = wordsReadable;
        return uint32_t(int64_t(primePos) + 2 * (wordsHeld - 1));
    }
};

}  // namespace tamrix::lzx
