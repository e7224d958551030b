// The parse of the fast and normal levels: the longest match the hash buckets offer, or a
// repeated distance, taken unless the next position offers a better one.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/lzx/lzx_encoder_item.h"
#include "codecs/lzx/lzx_encoder_levels.h"
#include "codecs/lzx/lzx_match_finder.h"

namespace tamrix::lzx {

class LazyParser {
  public:
    LazyParser(uint32_t windowSize, const EncoderLevel& level);

    // Parses [start, end) of data (data[p] is the byte at stream offset p; bytes up to
    // `available` may be looked at): r holds the repeated distances on entry and on return;
    // the items are appended.
    void parse(const uint8_t* data, uint32_t start, uint32_t end, uint32_t available, uint32_t* r,
               std::vector<Item>* items);

  private:
    struct Choice {
        uint32_t length = 0;
        uint32_t distance = 0;
        uint32_t slot = 0;
        int32_t gain = 0;  // bits saved against literals
    };
    Choice evaluate(uint32_t p, uint32_t end, uint32_t depth);

    MatchFinder finder_;
    EncoderLevel level_;
    const uint32_t* r_ = nullptr;
    uint32_t available_ = 0;
};

}  // namespace tamrix::lzx
