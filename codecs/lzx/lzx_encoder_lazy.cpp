#include "codecs/lzx/lzx_encoder_lazy.h"

#include <algorithm>

namespace tamrix::lzx {

LazyParser::LazyParser(uint32_t windowSize, const EncoderLevel& level)
    : finder_(windowSize, level.searchDepth, level.niceLength), level_(level) {}

LazyParser::Choice LazyParser::evaluate(uint32_t p, uint32_t end, uint32_t depth) {
    Choice best;
    const uint32_t maxLength = std::min(kMaxMatch, end - p);
    if (maxLength < kMinMatch) return best;
    finder_.insertUpTo(p, available_);
    for (uint32_t k = 0; k < 3; ++k) {
        const uint32_t distance = r_[k];
        if (distance > p) continue;
        const uint32_t length = finder_.matchLength(p, distance, maxLength);
        if (length < kMinMatch) continue;
        const int32_t gain = int32_t(length) * literalCost_ - int32_t(costs_->matchCost(length, k));
        if (gain > best.gain) best = {length, distance, k, gain};
    }
    if (best.length >= level_.niceLength) return best;
    uint32_t distance = 0;
    const uint32_t length = finder_.find(p, maxLength, &distance, depth);
    if (length > best.length) {
        const uint32_t slot = slotOfDistance(distance);
        const int32_t gain = int32_t(length) * literalCost_ -
                             int32_t(costs_->matchCost(length, slot) +
                                     costs_->distanceCost(slot, distance));
        if (gain > best.gain) best = {length, distance, slot, gain};
    }
    return best;
}

void LazyParser::parse(const uint8_t* data, uint32_t start, uint32_t end, uint32_t available,
                       const CostModel& costs, uint32_t* r, std::vector<Item>* items) {
    finder_.setData(data);
    costs_ = &costs;
    r_ = r;
    available_ = available;
    uint64_t literalSum = 0;
    for (uint32_t s = 0; s < kLiteralCount; ++s) literalSum += costs.main[s];
    literalCost_ = int32_t((literalSum + kLiteralCount / 2) / kLiteralCount);

    uint32_t p = start;
    while (p < end) {
        Choice current = evaluate(p, end, 0);
        if (current.gain <= 0) {
            items->push_back(literalItem(data[p]));
            ++p;
            continue;
        }
        // Lazy matching: a better match one byte on is worth a literal; past a good length
        // the second look is a short one.
        while (current.length < level_.lazyCutoff && p + 1 < end) {
            const uint32_t depth = current.length >= level_.lazyCutoff / 2
                                       ? std::max<uint32_t>(level_.searchDepth / 4, 1)
                                       : 0;
            const Choice next = evaluate(p + 1, end, depth);
            if (next.gain <= current.gain) break;
            items->push_back(literalItem(data[p]));
            ++p;
            current = next;
        }
        items->push_back(matchItem(current.length, current.slot, current.distance));
        updateRepeats(r, current.slot, current.distance);
        p += current.length;
    }
}

}  // namespace tamrix::lzx
