#include "codecs/lzx/lzx_match_finder.h"

#include "codecs/match_length.h"

namespace tamrix::lzx {

MatchFinder::MatchFinder(uint32_t windowSize, uint32_t maxChain, uint32_t niceLength)
    : windowMask_(windowSize - 1),
      maxDistance_(windowSize - 3),
      maxChain_(maxChain),
      niceLength_(niceLength),
      hashBits_(windowSize >= (1u << 18) ? 17 : 15),
      head_(size_t(1) << hashBits_),
      chain_(windowSize) {}

uint32_t MatchFinder::hashAt(uint32_t p) const {
    const uint32_t v =
        uint32_t(data_[p]) | uint32_t(data_[p + 1]) << 8 | uint32_t(data_[p + 2]) << 16;
    return (v * 2654435761u) >> (32 - hashBits_);
}

void MatchFinder::insertUpTo(uint32_t end, uint32_t available) {
    if (available < 3) return;
    if (end > available - 2) end = available - 2;
    for (uint32_t p = inserted_; p < end; ++p) {
        uint32_t& slot = head_[hashAt(p)];
        chain_[p & windowMask_] = slot;
        slot = p + 1;
    }
    if (end > inserted_) inserted_ = end;
}

uint32_t MatchFinder::matchLength(uint32_t p, uint32_t distance, uint32_t maxLength) const {
    return commonLength(data_ + p, data_ + p - distance, 0, maxLength);
}

uint32_t MatchFinder::find(uint32_t p, uint32_t maxLength, uint32_t* distance,
                           uint32_t depth) const {
    if (maxLength < 3) return 0;
    uint32_t best = 2;
    uint32_t candidate = head_[hashAt(p)];
    uint32_t chain = depth ? depth : maxChain_;
    const uint32_t nice = niceLength_ < maxLength ? niceLength_ : maxLength;
    const uint8_t* here = data_ + p;
    while (candidate != 0 && chain-- != 0) {
        const uint32_t c = candidate - 1;
        const uint32_t dist = p - c;
        if (dist > maxDistance_ || dist == 0) break;
        const uint8_t* there = data_ + c;
        if (there[best] == here[best] && there[0] == here[0] && there[1] == here[1]) {
            const uint32_t len = commonLength(here, there, 2, maxLength);
            if (len > best) {
                best = len;
                *distance = dist;
                if (len >= nice) break;
            }
        }
        candidate = chain_[c & windowMask_];
    }
    return best >= 3 ? best : 0;
}

}  // namespace tamrix::lzx
