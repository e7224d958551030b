// Binary-tree match finder for the cost-driven parse: for each position it reports every match
// that is longer than the ones before it, nearest first, and keeps the tree of earlier
// positions sorted by their following bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace tamrix::lzx {

struct FoundMatch {
    uint32_t length;
    uint32_t distance;
};

class TreeMatchFinder {
  public:
    TreeMatchFinder(uint32_t windowSize, uint32_t searchDepth, uint32_t niceLength);

    // As for MatchFinder: data[p] is the byte at stream offset p.
    void setData(const uint8_t* data) { data_ = data; }

    // Enters p (positions come in increasing order; gaps are allowed) with at most maxLength
    // bytes to compare, writes its matches of increasing length to out (room for maxLength
    // entries) and returns how many there are. With out == nullptr p is only entered.
    uint32_t advance(uint32_t p, uint32_t maxLength, FoundMatch* out);

  private:
    uint32_t hashAt(uint32_t p) const;

    const uint8_t* data_ = nullptr;
    uint32_t windowMask_;
    uint32_t maxDistance_;
    uint32_t searchDepth_;
    uint32_t niceLength_;
    uint32_t hashBits_;
    std::vector<uint32_t> head_;      // position + 1 of the newest entry per hash, 0 = none
    std::vector<uint32_t> children_;  // two per position & mask: smaller and larger subtree
};

}  // namespace tamrix::lzx
