// Hash-bucket match finder over the folder's history, for the Quantum compressor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamrix::quantum {

struct Match {
    uint32_t length = 0;  // 0: none of at least 3 bytes
    uint32_t distance = 0;
};

class MatchFinder {
  public:
    // depth: positions kept per hash, the candidates a search looks at; niceLength: a match
    // this long ends the search.
    MatchFinder(unsigned windowBits, uint32_t depth, uint32_t niceLength);

    // Appends the next frame to the history; positions are counted from the folder's start.
    void append(const uint8_t* data, uint32_t size);
    uint64_t end() const { return start_ + buffer_.size(); }
    uint8_t byteAt(uint64_t position) const { return buffer_[size_t(position - start_)]; }

    // The longest match for `position` of at most maxLength bytes that the format can express:
    // length 3 reaches back 4096 bytes, length 4 262,144, longer ones the whole window. Every
    // position before `position` is entered into the chains first.
    Match find(uint64_t position, uint32_t maxLength);

  private:
    uint32_t hashAt(uint64_t position) const;   // of four bytes, for the buckets
    uint32_t hash3At(uint64_t position) const;  // of three bytes, for the near table
    void insertUpTo(uint64_t position);
    uint32_t matchLength(uint64_t a, uint64_t b, uint32_t maxLength) const;

    uint32_t windowSize_;
    uint32_t niceLength_;
    uint32_t bucketSize_;
    std::vector<uint8_t> buffer_;
    uint64_t start_ = 0;       // folder position of buffer_[0]
    uint64_t nextInsert_ = 0;  // first position not yet in the chains
    // Per four-byte hash, the latest positions + 1 (0 = none), newest first.
    std::vector<uint32_t> buckets_;
    std::vector<uint32_t> head3_;  // per three-byte hash: the latest position + 1
};

}  // namespace tamrix::quantum
