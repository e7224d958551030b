#include "codecs/lzx/lzx_format.h"

namespace tamrix::lzx {

const uint8_t kExtraBits[51] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,
                                7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15,
                                16, 16, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17};

// Slots 0-2 stand for the repeated distances and never look their base up.
const uint32_t kDistanceBase[51] = {
    0,       0,       0,       1,       2,       4,       6,      10,     14,     22,      30,
    46,      62,      94,      126,     190,     254,     382,    510,    766,    1022,    1534,
    2046,    3070,    4094,    6142,    8190,    12286,   16382,  24574,  32766,  49150,   65534,
    98302,   131070,  196606,  262142,  393214,  524286,  655358, 786430, 917502, 1048574, 1179646,
    1310718, 1441790, 1572862, 1703934, 1835006, 1966078, 2097150};

uint32_t positionSlotCount(uint32_t windowSize) {
    uint32_t slots = 4;
    uint32_t covered = 4;
    while (covered < windowSize && slots < 51) {
        covered += 1u << kExtraBits[slots];
        ++slots;
    }
    return slots;
}

}  // namespace tamrix::lzx
