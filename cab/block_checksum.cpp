#include "cab/block_checksum.h"

#include <cstring>

#include "codecs/little_endian.h"

namespace tamrix {

namespace {

// XOR is associative, so the little-endian words can be folded into wider lanes in any grouping
// and the lanes' 32-bit halves folded together at the end: the sum is the same as word by word.
#if defined(__SSE2__)
// Two 16-byte vector lanes per 32 bytes keep both load ports busy (about 4x the 8-byte loop).
using Lane = uint64_t __attribute__((vector_size(16)));
constexpr uint32_t kGroupBytes = 32;

uint64_t xorGroups(const uint8_t* data, uint32_t groups) {
    Lane first = {0, 0}, second = {0, 0};
    for (uint32_t i = 0; i < groups; ++i) {
        Lane a, b;
        std::memcpy(&a, data + kGroupBytes * size_t(i), sizeof a);
        std::memcpy(&b, data + kGroupBytes * size_t(i) + sizeof a, sizeof b);
        first ^= a;
        second ^= b;
    }
    first ^= second;
    return first[0] ^ first[1];
}
#else
constexpr uint32_t kGroupBytes = 8;

uint64_t xorGroups(const uint8_t* data, uint32_t groups) {
    uint64_t lanes = 0;
    for (uint32_t i = 0; i < groups; ++i) lanes ^= load64(data + kGroupBytes * size_t(i));
    return lanes;
}
#endif

}  // namespace

uint32_t blockChecksum(const uint8_t* data, uint32_t count, uint32_t seed) {
    const uint32_t groups = count / kGroupBytes;
    const uint64_t lanes = xorGroups(data, groups);
    uint32_t acc = seed ^ uint32_t(lanes) ^ uint32_t(lanes >> 32);
    data += size_t(groups) * kGroupBytes;
    for (uint32_t words = (count % kGroupBytes) / 4; words != 0; --words, data += 4) {
        acc ^= load32(data);
    }
    uint32_t tail = 0;
    for (uint32_t i = 0; i < (count & 3); ++i) tail = (tail << 8) | data[i];
    return acc ^ tail;
}

}  // namespace tamrix
