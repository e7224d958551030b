#include "codecs/lzx/lzx_encoder_levels.h"

namespace tamrix::lzx {

EncoderLevel encoderLevel(int level) {
    // Levels 1-6 parse lazily over hash chains, 7-9 search a binary tree and choose the cheapest
    // path through the block under its own code lengths.
    static const EncoderLevel kLevels[kMaxLevel] = {
        {2, 16, 0, 4, 0},    {4, 24, 8, 4, 0},    {6, 32, 16, 4, 0},
        {8, 32, 24, 4, 0},   {12, 48, 32, 4, 0},  {16, 64, 32, 4, 0},
        {16, 48, 0, 4, 1},   {32, 96, 0, 4, 2},   {64, 257, 0, 4, 2},
    };
    if (level < kMinLevel) level = kMinLevel;
    if (level > kMaxLevel) level = kMaxLevel;
    return kLevels[level - 1];
}

}  // namespace tamrix::lzx
