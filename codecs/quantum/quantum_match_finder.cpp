#include "codecs/quantum/quantum_match_finder.h"

#include <algorithm>
#include <cstddef>

#include "codecs/match_length.h"
#include "codecs/quantum/quantum_tables.h"

namespace tamrix::quantum {
namespace {
constexpr int kHashBits = 16;
constexpr uint32_t kFarLength3 = 4096;
constexpr uint32_t kFarLength4 = 262144;
}  // namespace

MatchFinder::MatchFinder(unsigned windowBits, uint32_t depth, uint32_t niceLength)
    : windowSize_(1u << windowBits),
      chainDepth_(depth),
      niceLength_(niceLength),
      head_(size_t(1) << kHashBits, 0),
      chain_(windowSize_, 0) {}

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
    const uint8_t* p = &buffer_[position - start_];
    const uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
}

void MatchFinder::insertUpTo(uint64_t position) {
    // A position needs its next two bytes for the hash; the rest waits for the next frame.
    const uint64_t last = std::min(position, end() >= 2 ? end() - 2 : 0);
    for (; nextInsert_ < last; ++nextInsert_) {
        uint32_t& h = head_[hashAt(nextInsert_)];
        chain_[nextInsert_ & (windowSize_ - 1)] = h;
        h = uint32_t(nextInsert_) + 1;
    }
}

uint32_t MatchFinder::matchLength(uint64_t a, uint64_t b, uint32_t maxLength) const {
    return commonLength(&buffer_[a - start_], &buffer_[b - start_], 0, maxLength);
}

Match MatchFinder::find(uint64_t position, uint32_t maxLength) {
    insertUpTo(position);
    Match best;
    if (maxLength < 3 || position + 3 > end()) return best;
    const uint32_t limitLength4 = std::min(windowSize_, kFarLength4);
    const uint32_t limitLength3 = std::min(windowSize_, kFarLength3);
    uint32_t link = head_[hashAt(position)];
    for (uint32_t depth = 0; link && depth < chainDepth_; ++depth) {
        const uint64_t candidate = link - 1;
        const uint64_t distance = position - candidate;
        if (distance > windowSize_ || candidate < start_) break;
        // Only a candidate that also matches the byte just past the best so far can beat it.
        if (best.length && byteAt(candidate + best.length) != byteAt(position + best.length)) {
            const uint32_t next = chain_[candidate & (windowSize_ - 1)];
            if (next == 0 || next - 1 >= candidate) break;
            link = next;
            continue;
        }
        const uint32_t length = matchLength(candidate, position, maxLength);
        const bool reachable = length >= kMinLongMatch ||
                               (length == 4 && distance <= limitLength4) ||
                               (length == 3 && distance <= limitLength3);
        if (reachable && length > best.length) {
            best = {length, uint32_t(distance)};
            if (length >= std::min(maxLength, niceLength_)) break;
        }
        const uint32_t next = chain_[candidate & (windowSize_ - 1)];
        // Chain entries older than a window were overwritten by newer positions.
        if (next == 0 || next - 1 >= candidate) break;
        link = next;
    }
    return best;
}

}  // namespace tamrix::quantum
