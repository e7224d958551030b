// How hard the LZX compressor works at each level, 1 (fastest) to 9 (smallest output).
#pragma once

#include <cstdint>

namespace tamrix::lzx {

constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 9;
constexpr int kDefaultLevel = 6;

struct EncoderLevel {
    uint32_t searchDepth;     // candidates looked at per position
    uint32_t niceLength;      // a match this long ends the search
    uint32_t lazyCutoff;      // lazy parse: a match this long is taken at once; 0 = greedy
    uint32_t framesPerBlock;  // frames that share one block and its trees
    uint32_t optimalPasses;   // 0: lazy parse; otherwise passes of the cost-driven parse
};

// Levels outside 1..9 are clamped.
EncoderLevel encoderLevel(int level);

}  // namespace tamrix::lzx
