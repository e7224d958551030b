// Hand-made LZX streams for the decoder suites.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/lzx/lzx_bit_writer.h"
#include "codecs/lzx/lzx_code_lengths.h"
#include "codecs/lzx/lzx_format.h"
#include "codecs/lzx/lzx_tree_writer.h"

namespace tamrix::lzx_test {

// Writes one data block's bits. Trees are given as lengths; codes are made canonical.
class StreamBuilder {
  public:
    explicit StreamBuilder(uint32_t windowBits)
        : slots_(lzx::positionSlotCount(1u << windowBits)),
          mainCount_(lzx::kLiteralCount + 8 * slots_) {}

    void e8Header(uint32_t fileSize) {
        w_.put(fileSize != 0, 1);
        if (fileSize != 0) w_.put(fileSize, 32);
    }
    void blockHeader(uint32_t type, uint32_t size) {
        w_.put(type, 3);
        w_.put(size, 24);
    }
    // Main and length trees (previous lengths all zero unless given).
    void trees(const std::vector<uint8_t>& mainLengths, const std::vector<uint8_t>& lengthLengths) {
        main_ = mainLengths;
        main_.resize(mainCount_);
        length_ = lengthLengths;
        length_.resize(lzx::kLengthSymbols);
        lzx::writeLengthRun(w_, main_.data(), prevMain_.data(), 0, lzx::kLiteralCount);
        lzx::writeLengthRun(w_, main_.data(), prevMain_.data(), lzx::kLiteralCount, mainCount_);
        lzx::writeLengthRun(w_, length_.data(), prevLength_.data(), 0, lzx::kLengthSymbols);
        prevMain_ = main_;
        prevLength_ = length_;
        mainCodes_.assign(mainCount_, 0);
        lengthCodes_.assign(lzx::kLengthSymbols, 0);
        lzx::assignCanonicalCodes(main_.data(), mainCount_, mainCodes_.data());
        lzx::assignCanonicalCodes(length_.data(), lzx::kLengthSymbols, lengthCodes_.data());
    }
    void literal(uint8_t b) { w_.put(mainCodes_[b], main_[b]); }
    // A match symbol with its length; extra bits are written by the caller.
    void match(uint32_t slot, uint32_t length) {
        const uint32_t header = length - 2;
        const uint32_t sym = 256 + slot * 8 + (header < 7 ? header : 7);
        w_.put(mainCodes_[sym], main_[sym]);
        if (header >= 7) w_.put(lengthCodes_[header - 7], length_[header - 7]);
    }
    void bits(uint32_t value, uint32_t count) { w_.put(value, count); }
    // The alignment and R0-R2 of an uncompressed block, then its bytes.
    void uncompressed(uint32_t r0, uint32_t r1, uint32_t r2, const std::vector<uint8_t>& bytes) {
        w_.alignForUncompressed();
        for (uint32_t r : {r0, r1, r2}) {
            for (int i = 0; i < 4; ++i) out_.push_back(uint8_t(r >> (8 * i)));
        }
        out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    void rawByte(uint8_t b) { out_.push_back(b); }
    // Ends the data block: pads to 16 bits and hands out its bytes; the next block starts empty.
    std::vector<uint8_t> finish() {
        w_.flush();
        std::vector<uint8_t> done;
        done.swap(out_);
        return done;
    }

    uint32_t mainCount() const { return mainCount_; }

  private:
    uint32_t slots_;
    uint32_t mainCount_;
    std::vector<uint8_t> out_;
    lzx::BitWriter w_{out_};
    std::vector<uint8_t> main_, length_;
    std::vector<uint8_t> prevMain_ = std::vector<uint8_t>(lzx::kMaxMainSymbols, 0);
    std::vector<uint8_t> prevLength_ = std::vector<uint8_t>(lzx::kLengthSymbols, 0);
    std::vector<uint16_t> mainCodes_, lengthCodes_;
};

// Main lengths giving every literal 8 bits, or (withMatches) literals 9 bits and the 256
// match symbols of slots 0-31 9 bits as well.
inline std::vector<uint8_t> flatMainLengths(bool withMatches) {
    std::vector<uint8_t> lengths(256, withMatches ? 9 : 8);
    if (withMatches) lengths.resize(512, 9);
    return lengths;
}
// Length-tree lengths giving all 249 symbols... (not complete with a flat length; 256 slots).
inline std::vector<uint8_t> flatLengthLengths() {
    // 249 symbols: 7 of length 7 and 242 of length 8 fill 7/128 + 242/256 = 256/256.
    std::vector<uint8_t> lengths(249, 8);
    for (int i = 0; i < 7; ++i) lengths[i] = 7;
    return lengths;
}

}  // namespace tamrix::lzx_test
