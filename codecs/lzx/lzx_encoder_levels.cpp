#include "codecs/lzx/lzx_encoder_levels.h"

namespace tamrix::lzx {

EncoderLevel encoderLevel(int level) {
    // Levels 1-6 parse lazily over hash buckets, 7-9 search a binary tree and choose the
    // cheapest path through the block under its own code lengths. A block per frame keeps the
    // codes close to the data; only the slowest levels, whose codes come from two passes, gain
    // from sharing them over two frames.
    static const EncoderLevel kLevels[kMaxLevel] = {
        {4, 16, 0, 1, 0},  {4, 24, 8, 1, 0},   {6, 32, 16, 1, 0},
        {8, 32, 16, 1, 0}, {12, 48, 32, 1, 0}, {16, 48, 32, 1, 0},
        {16, 48, 0, 1, 1}, {24, 96, 0, 2, 2},  {32, 128, 0, 2, 2},
    };
    if (level < kMinLevel) level = kMinLevel;
    if (level > kMaxLevel) level = kMaxLevel;
    return kLevels[level - 1];
}

}  // namespace tamrix::lzx
