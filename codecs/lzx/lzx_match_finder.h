// Hash-bucket match finder over the compressor's history buffer, for the lazy parse.
#pragma once

#include <cstdint>
#include <vector>

namespace tamrix::lzx {

class MatchFinder {
  public:
    // bucketSize: positions kept per hash, the candidates a search looks at.
    MatchFinder(uint32_t windowSize, uint32_t bucketSize, uint32_t niceLength);

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
    uint32_t hashAt(uint32_t p) const;   // of four bytes, for the buckets
    uint32_t hash3At(uint32_t p) const;  // of three bytes, for the near table

    const uint8_t* data_ = nullptr;
    uint32_t maxDistance_;
    uint32_t niceLength_;
    uint32_t hashBits_;
    uint32_t inserted_ = 0;
    // Per four-byte hash, the latest positions + 1 (0 = none), newest first: a search reads
    // one bucket instead of chasing a chain through memory.
    std::vector<uint32_t> buckets_;
    std::vector<uint32_t> head3_;  // position + 1 of the newest entry per three-byte hash
    uint32_t bucketSize_;
};

}  // namespace tamrix::lzx
