#include "codecs/lzx/lzx_match_finder.h"

#include <cstring>

#include "codecs/match_length.h"

namespace tamrix::lzx {

namespace {
constexpr uint32_t kHash3Bits = 14;
constexpr uint32_t kNearDistance = 65536;
}  // namespace

MatchFinder::MatchFinder(uint32_t windowSize, uint32_t bucketSize, uint32_t niceLength)
    : maxDistance_(windowSize - 3),
      niceLength_(niceLength),
      hashBits_(windowSize >= (1u << 18) ? 17 : 15),
      buckets_(size_t(bucketSize) << hashBits_),
      head3_(size_t(1) << kHash3Bits),
      bucketSize_(bucketSize) {}

uint32_t MatchFinder::hashAt(uint32_t p) const {
    uint32_t v;
    std::memcpy(&v, data_ + p, 4);
    return (v * 2654435761u) >> (32 - hashBits_);
}

uint32_t MatchFinder::hash3At(uint32_t p) const {
    const uint32_t v =
        uint32_t(data_[p]) | uint32_t(data_[p + 1]) << 8 | uint32_t(data_[p + 2]) << 16;
    return (v * 2654435761u) >> (32 - kHash3Bits);
}

void MatchFinder::insertUpTo(uint32_t end, uint32_t available) {
    // A position is entered once the four bytes its hash reads are there.
    if (available < 4) return;
    if (end > available - 3) end = available - 3;
    for (uint32_t p = inserted_; p < end; ++p) {
        // Newest first: the oldest entry of the bucket falls out.
        uint32_t* bucket = &buckets_[size_t(hashAt(p)) * bucketSize_];
        std::memmove(bucket + 1, bucket, (bucketSize_ - 1) * sizeof(uint32_t));
        bucket[0] = p + 1;
        head3_[hash3At(p)] = p + 1;
    }
    if (end > inserted_) inserted_ = end;
}

uint32_t MatchFinder::matchLength(uint32_t p, uint32_t distance, uint32_t maxLength) const {
    return commonLength(data_ + p, data_ + p - distance, 0, maxLength);
}

uint32_t MatchFinder::find(uint32_t p, uint32_t maxLength, uint32_t* distance,
                           uint32_t depth) const {
    if (maxLength < 4) return 0;
    uint32_t best = 2;
    const uint8_t* here = data_ + p;
    // Three-byte matches come from a table of their own, and only from near by: further back
    // they cost about as much as the literals they replace.
    const uint32_t near = head3_[hash3At(p)];
    if (near != 0 && near - 1 < p && p - (near - 1) <= kNearDistance &&
        p - (near - 1) <= maxDistance_) {
        const uint8_t* there = data_ + near - 1;
        if (there[0] == here[0] && there[1] == here[1] && there[2] == here[2]) {
            best = commonLength(here, there, 3, maxLength);
            *distance = p - (near - 1);
        }
    }
    const uint32_t* bucket = &buckets_[size_t(hashAt(p)) * bucketSize_];
    const uint32_t count = depth != 0 && depth < bucketSize_ ? depth : bucketSize_;
    const uint32_t nice = niceLength_ < maxLength ? niceLength_ : maxLength;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t entry = bucket[i];
        if (entry == 0) break;
        const uint32_t c = entry - 1;
        const uint32_t dist = p - c;
        if (dist > maxDistance_ || c >= p) break;
        const uint8_t* there = data_ + c;
        if (there[best] == here[best] && there[0] == here[0] && there[1] == here[1]) {
            const uint32_t len = commonLength(here, there, 2, maxLength);
            if (len > best) {
                best = len;
                *distance = dist;
                if (len >= nice) break;
            }
        }
    }
    return best >= 3 ? best : 0;
}

}  // namespace tamrix::lzx
