#include "codecs/lzx/lzx_encoder_optimal.h"

#include <algorithm>

#include "codecs/match_length.h"

namespace tamrix::lzx {

namespace {
constexpr uint32_t kInfinite = 0xFFFFFFFFu;
// Every length of a match up to this one is weighed; of a longer match only its full length,
// as stopping a long match early seldom pays for the extra symbol.
constexpr uint32_t kAllLengthsUpTo = 24;

// The lengths of a match from `from` to `to` that are worth weighing.
template <typename Relax>
void forEachLength(uint32_t from, uint32_t to, Relax relax) {
    const uint32_t last = std::min(to, kAllLengthsUpTo);
    for (uint32_t l = from; l <= last; ++l) relax(l);
    if (to > last && to >= from) relax(to);
}
}  // namespace

OptimalParser::OptimalParser(uint32_t windowSize, const EncoderLevel& level)
    : finder_(windowSize, level.searchDepth, level.niceLength), niceLength_(level.niceLength) {}

void OptimalParser::findMatches(const uint8_t* data, uint32_t start, uint32_t end) {
    finder_.setData(data);
    spanStart_ = start;
    firstMatch_.assign(size_t(end - start) + 1, 0);
    matches_.clear();
    FoundMatch found[kMaxMatch];
    uint32_t skipUntil = start;
    for (uint32_t p = start; p < end; ++p) {
        firstMatch_[p - start] = uint32_t(matches_.size());
        const uint32_t maxLength = std::min(kMaxMatch, end - p);
        if (p < skipUntil) {
            // Inside a long match: only entered, as searching here would find the same match.
            finder_.advance(p, maxLength, nullptr);
            continue;
        }
        const uint32_t n = finder_.advance(p, maxLength, found);
        matches_.insert(matches_.end(), found, found + n);
        if (n != 0 && found[n - 1].length >= niceLength_) skipUntil = p + found[n - 1].length;
    }
    firstMatch_[end - start] = uint32_t(matches_.size());
}

void OptimalParser::parse(const uint8_t* data, uint32_t start, uint32_t end, const CostModel& costs,
                          uint32_t* r, std::vector<Item>* items) {
    const uint32_t n = end - start;
    nodes_.resize(size_t(n) + 1);
    for (uint32_t i = 1; i <= n; ++i) nodes_[i].cost = kInfinite;
    nodes_[0] = {0, 0, 0, 0, 0, {r[0], r[1], r[2]}};

    for (uint32_t i = 0; i < n; ++i) {
        Node& here = nodes_[i];
        if (i != 0) {
            // The node is final now: its repeated distances follow from the step into it.
            const Node& from = nodes_[here.from];
            std::copy(from.r, from.r + 3, here.r);
            if (here.length > 1) updateRepeats(here.r, here.slot, here.distance);
        }
        const uint32_t p = start + i;
        const uint32_t base = here.cost;
        auto relax = [&](uint32_t to, uint32_t cost, uint32_t length, uint32_t slot,
                         uint32_t distance) {
            Node& target = nodes_[to];
            if (cost < target.cost) {
                target.cost = cost;
                target.from = i;
                target.length = uint16_t(length);
                target.slot = uint8_t(slot);
                target.distance = distance;
            }
        };
        relax(i + 1, base + costs.main[data[p]], 1, 0, 0);
        const uint32_t maxLength = std::min(kMaxMatch, n - i);
        if (maxLength < kMinMatch) continue;

        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t distance = here.r[k];
            if (distance > p) continue;
            const uint32_t length = commonLength(data + p, data + p - distance, 0, maxLength);
            forEachLength(kMinMatch, length, [&](uint32_t l) {
                relax(i + l, base + costs.matchCost(l, k), l, k, distance);
            });
        }

        const uint32_t spanIndex = p - spanStart_;
        uint32_t covered = kMinMatch;
        for (uint32_t m = firstMatch_[spanIndex]; m < firstMatch_[spanIndex + 1]; ++m) {
            const FoundMatch& match = matches_[m];
            const uint32_t top = std::min(match.length, maxLength);
            if (top <= covered) continue;
            if (match.distance == here.r[0] || match.distance == here.r[1] ||
                match.distance == here.r[2]) {
                covered = top;  // the repeated distance above costs less
                continue;
            }
            const uint32_t slot = slotOfDistance(match.distance);
            const uint32_t matchBase = base + costs.distanceCost(slot, match.distance);
            forEachLength(covered + 1, top, [&](uint32_t l) {
                relax(i + l, matchBase + costs.matchCost(l, slot), l, slot, match.distance);
            });
            covered = top;
        }
    }

    // Walk back along the cheapest path, then emit it front to back.
    std::vector<uint32_t> steps;
    for (uint32_t at = n; at != 0; at = nodes_[at].from) steps.push_back(at);
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        const Node& node = nodes_[*it];
        if (node.length == 1) {
            items->push_back(literalItem(data[start + node.from]));
        } else {
            items->push_back(matchItem(node.length, node.slot, node.distance));
            updateRepeats(r, node.slot, node.distance);
        }
    }
}

}  // namespace tamrix::lzx
