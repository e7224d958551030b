// Writes hand-made deflate streams: bits least significant first, Huffman codes most significant
// first, as the format sends them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamrix::mszip::test {

class BitWriter {
  public:
    void bits(uint32_t value, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) bit((value >> i) & 1);
    }
    void code(uint32_t value, uint32_t length) {
        for (uint32_t i = length; i-- > 0;) bit((value >> i) & 1);
    }
    void alignToByte() {
        while (used_ != 0) bit(0);
    }
    void byte(uint8_t value) { bits(value, 8); }
    // A whole MSZIP block: the signature, then what was written.
    std::vector<uint8_t> block() const {
        std::vector<uint8_t> out(bytes_.size() + 2);
        out[0] = 'C';
        out[1] = 'K';
        std::copy(bytes_.begin(), bytes_.end(), out.begin() + 2);
        return out;
    }

    // Block headers and the fixed code.
    void header(bool final, uint32_t type) {
        bits(final ? 1 : 0, 1);
        bits(type, 2);
    }
    void stored(bool final, const std::vector<uint8_t>& data) {
        header(final, 0);
        alignToByte();
        const uint32_t len = uint32_t(data.size());
        bits(len, 16);
        bits(~len & 0xFFFF, 16);
        for (uint8_t b : data) byte(b);
    }
    void fixedSymbol(uint32_t symbol) {
        if (symbol < 144)
            code(0x30 + symbol, 8);
        else if (symbol < 256)
            code(0x190 + symbol - 144, 9);
        else if (symbol < 280)
            code(symbol - 256, 7);
        else
            code(0xC0 + symbol - 280, 8);
    }
    void fixedDistanceSymbol(uint32_t symbol) { code(symbol, 5); }
    // A match through the fixed code, with the length and distance symbols worked out.
    void fixedMatch(uint32_t length, uint32_t distance);

  private:
    void bit(uint32_t b) {
        if (used_ == 0) bytes_.push_back(0);
        bytes_.back() |= uint8_t(b << used_);
        used_ = (used_ + 1) % 8;
    }
    std::vector<uint8_t> bytes_;
    uint32_t used_ = 0;
};

// Canonical codes for a list of code lengths, as a decoder assigns them.
std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths);

// Writes a dynamic block's description with a code-length code that gives all 19 symbols a code
// (13 of 4 bits, 6 of 5 bits); then `symbol` sends code-length symbols (extra bits are the
// caller's).
class LengthsWriter {
  public:
    LengthsWriter(BitWriter& w, uint32_t litLenCount, uint32_t distanceCount);
    void symbol(uint32_t s) { w_.code(codes_[s], s < 13 ? 4 : 5); }

  private:
    BitWriter& w_;
    std::vector<uint32_t> codes_;
};

// A dynamic block's description that sends every length one by one, without repeats.
void writeDynamicHeader(BitWriter& w, const std::vector<uint8_t>& litLenLengths,
                        const std::vector<uint8_t>& distanceLengths);

}  // namespace tamrix::mszip::test
