// Hash-chain match finder over the folder's history, for the Quantum compressor.
#pragma once

#include <cstdint>
#include <vector>

namespace tamrix::quantum {

struct Match {
    uint32_t length = 0;  // 0: none of at least 3 bytes
    uint32_t distance = 0;
};

class MatchFinder {
  public:
    // depth: chain entries looked at per search; niceLength: a match this long ends it.
    MatchFinder(unsigned windowBits, uint32_t depth, uint32_t niceLength);

    // Appends the next frame to the history; positions are counted from the folder's start.
    void append(const uint8_t* data, uint32_t size);
    uint64_t end() const { return start_ + buffer_.size(); }
    uint8_t byteAt(uint64_t position) const { return buffer_[position - start_]; }

    // The longest match for `position` of at most maxLength bytes that the format can express:
    // length 3 reaches back 4096 bytes, length 4 262,144, longer ones the whole window. Every
    // position before `position` is entered into the chains first.
    Match find(uint64_t position, uint32_t maxLength);

  private:
    uint32_t hashAt(uint64_t position) const;
    void insertUpTo(uint64_t position);
    uint32_t matchLength(uint64_t a, uint64_t b, uint32_t maxLength) const;

    uint32_t windowSize_;
    uint32_t chainDepth_;
    uint32_t niceLength_;
    std::vector<uint8_t> buffer_;
    uint64_t start_ = 0;           // folder position of buffer_[0]
    uint64_t nextInsert_ = 0;      // first position not yet in the chains
    std::vector<uint32_t> head_;   // per hash: last position + 1, 0 for none
    std::vector<uint32_t> chain_;  // per position masked to the window: previous position + 1
};

}  // namespace tamrix::quantum
