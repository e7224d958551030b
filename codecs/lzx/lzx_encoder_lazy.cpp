#include "codecs/lzx/lzx_encoder_lazy.h"

#include <algorithm>

namespace tamrix::lzx {

namespace {

// Rough prices in bits, good enough to choose between the candidates at hand: a literal, a
// match symbol, a length-tree symbol.
constexpr uint32_t kLiteralBits = 8;
constexpr uint32_t kMatchSymbolBits = 7;
constexpr uint32_t kLengthSymbolBits = 6;

uint32_t lengthBits(uint32_t length) {
    return length > kMinMatch + kNumPrimaryLengths - 1 ? kLengthSymbolBits : 0;
}
uint32_t repeatBits(uint32_t length, uint32_t index) {
    return kMatchSymbolBits + index + lengthBits(length);
}
uint32_t distanceBits(uint32_t length, uint32_t slot) {
    return kMatchSymbolBits + 2 + kExtraBits[slot] + lengthBits(length);
}

}  // namespace

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
        const int32_t gain = int32_t(length * kLiteralBits) - int32_t(repeatBits(length, k));
        if (gain > best.gain) best = {length, distance, k, gain};
    }
    if (best.length >= level_.niceLength) return best;
    uint32_t distance = 0;
    const uint32_t length = finder_.find(p, maxLength, &distance, depth);
    if (length > best.length) {
        const uint32_t slot = slotOfDistance(distance);
        // A new distance must beat a repeated one by more than a bit: it also pushes the
        // repeated distances down.
        const int32_t gain =
            int32_t(length * kLiteralBits) - int32_t(distanceBits(length, slot)) - 1;
        if (gain > best.gain) best = {length, distance, slot, gain};
    }
    return best;
}

void LazyParser::parse(const uint8_t* data, uint32_t start, uint32_t end, uint32_t available,
                       uint32_t* r, std::vector<Item>* items) {
    finder_.setData(data);
    r_ = r;
    available_ = available;

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
