// The cost-driven parse of the top levels: every match the tree finder reports, every length
// of it and the repeated distances are weighed by the bits they cost under the block's codes,
// and the cheapest path through the frame wins.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/lzx/lzx_encoder_costs.h"
#include "codecs/lzx/lzx_encoder_levels.h"
#include "codecs/lzx/lzx_match_finder_tree.h"

namespace tamrix::lzx {

class OptimalParser {
  public:
    OptimalParser(uint32_t windowSize, const EncoderLevel& level);

    // Finds the matches of every position of [start, end), the frames about to be parsed;
    // data[p] is the byte at stream offset p.
    void findMatches(const uint8_t* data, uint32_t start, uint32_t end);

    // Parses [start, end), one frame inside the span given to findMatches, under `costs`:
    // r holds the repeated distances on entry and on return; the items are appended.
    void parse(const uint8_t* data, uint32_t start, uint32_t end, const CostModel& costs,
               uint32_t* r, std::vector<Item>* items);

  private:
    struct Node {
        uint32_t cost;
        uint32_t from;      // node the cheapest step came from
        uint32_t distance;  // of an explicit match
        uint16_t length;    // 1: literal
        uint8_t slot;       // of a match: 0-2 repeated distance, else the distance's slot
        uint32_t r[3];      // repeated distances after the step, once the node is reached
    };

    TreeMatchFinder finder_;
    uint32_t niceLength_;
    uint32_t spanStart_ = 0;
    std::vector<uint32_t> firstMatch_;  // per position of the span, and one past its end
    std::vector<FoundMatch> matches_;
    std::vector<Node> nodes_;
};

}  // namespace tamrix::lzx
