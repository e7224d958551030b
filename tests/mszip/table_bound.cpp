// How many entries can a complete code need? The first-level table always has 2^root entries.
// Each first-level slot not taken by a code of at most root bits heads a subtree, and the builder
// gives it a sub-table of 2^d entries, d being the subtree's depth below the root bits. Codes are
// canonical, so subtrees follow each other with non-decreasing code lengths: no code of a subtree
// is longer than the shortest code of the next. The cheapest subtree of depth d whose shortest
// code lies a bits below the root is a chain: 2^a - 1 codes at a, one at each depth up to d - 1,
// two at d (2^a codes when a = d). The slots before the subtrees are covered by the fewest
// codes that fill a prefix of m slots: one per set bit of m. A dynamic program over the subtrees
// in order (count placed, depth of the last, codes spent) finds the largest total.
#include "table_bound.h"

#include <bit>

namespace tamrix::mszip::test {
namespace {

constexpr uint32_t kMaxLength = 15;

uint32_t chainCodes(uint32_t shallow, uint32_t deep) {
    return shallow == deep ? (1u << shallow) : (1u << shallow) + deep - shallow;
}

}  // namespace

WorstCode worstCaseCode(uint32_t symbols, uint32_t rootBits) {
    const uint32_t rootSlots = 1u << rootBits;
    const uint32_t maxDepth = kMaxLength - rootBits;
    const uint32_t states = (rootSlots + 1) * (maxDepth + 1) * (symbols + 1);
    auto index = [&](uint32_t placed, uint32_t last, uint32_t spent) {
        return (placed * (maxDepth + 1) + last) * (symbols + 1) + spent;
    };
    // best[placed, last depth, codes spent] = sub-table entries; -1 = unreachable.
    std::vector<int32_t> best(states, -1);
    std::vector<uint16_t> choice(states, 0);  // shallow * 16 + deep of the last subtree
    best[index(0, 0, 0)] = 0;
    for (uint32_t placed = 0; placed < rootSlots; ++placed) {
        for (uint32_t last = 0; last <= maxDepth; ++last) {
            for (uint32_t spent = 0; spent <= symbols; ++spent) {
                const int32_t gain = best[index(placed, last, spent)];
                if (gain < 0) continue;
                for (uint32_t shallow = last == 0 ? 1 : last; shallow <= maxDepth; ++shallow) {
                    for (uint32_t deep = shallow; deep <= maxDepth; ++deep) {
                        const uint32_t cost = spent + chainCodes(shallow, deep);
                        if (cost > symbols) break;
                        int32_t& next = best[index(placed + 1, deep, cost)];
                        if (gain + int32_t(1u << deep) > next) {
                            next = gain + int32_t(1u << deep);
                            choice[index(placed + 1, deep, cost)] = uint16_t(shallow * 16 + deep);
                        }
                    }
                }
            }
        }
    }

    WorstCode worst{0, {}};
    uint32_t bestPlaced = 0, bestLast = 0, bestSpent = 0;
    for (uint32_t placed = 1; placed <= rootSlots; ++placed) {
        const uint32_t prefixCodes = uint32_t(std::popcount(rootSlots - placed));
        for (uint32_t last = 1; last <= maxDepth; ++last) {
            for (uint32_t spent = 0; spent + prefixCodes <= symbols; ++spent) {
                const int32_t gain = best[index(placed, last, spent)];
                if (gain >= 0 && rootSlots + uint32_t(gain) > worst.entries) {
                    worst.entries = rootSlots + uint32_t(gain);
                    bestPlaced = placed, bestLast = last, bestSpent = spent;
                }
            }
        }
    }

    // The code itself: the prefix's codes, then each subtree's chain (order does not matter to
    // the builder, which sorts by length).
    const uint32_t prefix = rootSlots - bestPlaced;
    for (uint32_t bit = 0; bit < rootBits; ++bit) {
        if (prefix & (1u << bit)) worst.lengths.push_back(uint8_t(rootBits - bit));
    }
    uint32_t last = bestLast, spent = bestSpent;
    for (uint32_t placed = bestPlaced; placed > 0; --placed) {
        const int32_t gain = best[index(placed, last, spent)];
        const uint16_t c = choice[index(placed, last, spent)];
        const uint32_t shallow = c / 16u, deep = c % 16u;
        const uint32_t atShallow = shallow == deep ? (1u << shallow) : (1u << shallow) - 1;
        worst.lengths.insert(worst.lengths.end(), atShallow, uint8_t(rootBits + shallow));
        for (uint32_t d = shallow + 1; d < deep; ++d)
            worst.lengths.push_back(uint8_t(rootBits + d));
        if (deep > shallow) worst.lengths.insert(worst.lengths.end(), 2, uint8_t(rootBits + deep));
        spent -= chainCodes(shallow, deep);
        // The state before: one whose last depth allows this subtree and whose gain led here.
        uint32_t before = placed == 1 ? 0 : 1;
        while (before <= shallow &&
               best[index(placed - 1, before, spent)] != gain - int32_t(1u << deep)) {
            ++before;
        }
        last = before;
    }
    worst.lengths.resize(symbols, 0);
    return worst;
}

}  // namespace tamrix::mszip::test
