// Hash-chain match finder over the compressor's history buffer, for the lazy parse.
#pragma once

#include <cstdint>
#include <vector>

namespace tamrix::lzx {

class MatchFinder {
  public:
    MatchFinder(uint32_t windowSize, uint32_t maxChain, uint32_t niceLength);

    // `data` points at stream offset 0 of the buffer's view: data[p] is the byte at offset p
    // for every p the caller keeps in memory.
    void setData(const uint8_t* data) { data_ = data; }

    // Enters positions [next inserted, end) whose three bytes lie before `available`.
    void insertUpTo(uint32_t end, uint32_t available);

    // Longest match for position p among earlier positions, at most maxLength bytes, looking at
    // no more than `depth` candidates (0: the finder's own limit). Returns its length (0 if
    // none of at least 3) and sets distance.
    uint32_t find(uint32_t p, uint32_t maxLength, uint32_t* distance, uint32_t depth = 0) const;

    // Length of the common run at p and p - distance, at most maxLength.
    uint32_t matchLength(uint32_t p, uint32_t distance, uint32_t maxLength) const;

  private:
    uint32_t hashAt(uint32_t p) const;

    const uint8_t* data_ = nullptr;
    uint32_t windowMask_;
    uint32_t maxDistance_;
    uint32_t maxChain_;
    uint32_t niceLength_;
    uint32_t hashBits_;
    uint32_t inserted_ = 0;
    std::vector<uint32_t> head_;   // position + 1 of the newest entry per hash, 0 = none
    std::vector<uint32_t> chain_;  // position + 1 of the previous entry, by position & mask
};

}  // namespace tamrix::lzx
