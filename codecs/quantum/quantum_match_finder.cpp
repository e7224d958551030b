#include "codecs/quantum/quantum_match_finder.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "codecs/match_length.h"
#include "codecs/quantum/quantum_tables.h"

namespace tamrix::quantum {
namespace {
constexpr int kHashBits = 16;
constexpr int kHash3Bits = 14;
constexpr uint32_t kFarLength3 = 4096;
constexpr uint32_t kFarLength4 = 262144;
}  // namespace

MatchFinder::MatchFinder(unsigned windowBits, uint32_t depth, uint32_t niceLength)
    : windowSize_(1u << windowBits),
      niceLength_(niceLength),
      bucketSize_(depth),
      buckets_(size_t(depth) << kHashBits, 0),
      head3_(size_t(1) << kHash3Bits, 0) {}

void MatchFinder::append(const uint8_t* data, uint32_t size) {
    // Keep one window of history; drop older bytes only once they make up a window's worth, so
    // the move is paid once per window of input.
    const size_t keep = windowSize_ + kMaxMatch;
    if (buffer_.size() > 2 * keep) {
        const size_t drop = buffer_.size() - keep;
        buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(drop));
        start_ += drop;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

uint32_t MatchFinder::hashAt(uint64_t position) const {
    uint32_t v;
    std::memcpy(&v, &buffer_[size_t(position - start_)], 4);
    return (v * 2654435761u) >> (32 - kHashBits);
}

uint32_t MatchFinder::hash3At(uint64_t position) const {
    const uint8_t* p = &buffer_[size_t(position - start_)];
    const uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    return (v * 2654435761u) >> (32 - kHash3Bits);
}

void MatchFinder::insertUpTo(uint64_t position) {
    // A position needs its next three bytes for the hash; the rest waits for the next frame.
    const uint64_t last = std::min(position, end() >= 3 ? end() - 3 : 0);
    for (; nextInsert_ < last; ++nextInsert_) {
        // Newest first: the oldest entry of the bucket falls out.
        uint32_t* bucket = &buckets_[size_t(hashAt(nextInsert_)) * bucketSize_];
        std::memmove(bucket + 1, bucket, (bucketSize_ - 1) * sizeof(uint32_t));
        bucket[0] = uint32_t(nextInsert_) + 1;
        head3_[hash3At(nextInsert_)] = uint32_t(nextInsert_) + 1;
    }
}

uint32_t MatchFinder::matchLength(uint64_t a, uint64_t b, uint32_t maxLength) const {
    return commonLength(&buffer_[size_t(a - start_)], &buffer_[size_t(b - start_)], 0, maxLength);
}

Match MatchFinder::find(uint64_t position, uint32_t maxLength) {
    insertUpTo(position);
    Match best;
    if (maxLength < 3 || position + 4 > end()) return best;
    const uint32_t limitLength4 = std::min(windowSize_, kFarLength4);
    const uint32_t limitLength3 = std::min(windowSize_, kFarLength3);
    const uint32_t nice = std::min(maxLength, niceLength_);
    auto consider = [&](uint32_t entry) {
        const uint64_t candidate = entry - 1;
        const uint64_t distance = position - candidate;
        if (candidate >= position || distance > windowSize_ || candidate < start_) return false;
        // Only a candidate that also matches the byte just past the best so far can beat it.
        if (best.length && byteAt(candidate + best.length) != byteAt(position + best.length)) {
            return true;
        }
        const uint32_t length = matchLength(candidate, position, maxLength);
        const bool reachable = length >= kMinLongMatch ||
                               (length == 4 && distance <= limitLength4) ||
                               (length == 3 && distance <= limitLength3);
        if (reachable && length > best.length) best = {length, uint32_t(distance)};
        return true;
    };
    // Three-byte matches reach back only 4096 bytes: a table of their own keeps the nearest.
    const uint32_t near = head3_[hash3At(position)];
    if (near != 0) consider(near);
    const uint32_t* bucket = &buckets_[size_t(hashAt(position)) * bucketSize_];
    for (uint32_t i = 0; i < bucketSize_ && bucket[i] != 0 && best.length < nice; ++i) {
        if (!consider(bucket[i])) break;
    }
    return best;
}

}  // namespace tamrix::quantum
