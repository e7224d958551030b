// The bit reader against a bit-by-bit model: whole 8-byte loads, the word-wise tail and the
// zeros past the data must give the same bits, and the count of bits consumed must follow.
#include "codecs/lzx/lzx_bit_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tamrix {
namespace {

// Bit i of the stream: 16-bit little-endian words, most significant bit first, zero past the end.
uint32_t modelBit(const std::vector<uint8_t>& data, uint32_t start, uint64_t i) {
    const uint64_t word = start + 2 * (i / 16);
    const uint32_t lo = word < data.size() ? data[word] : 0;
    const uint32_t hi = word + 1 < data.size() ? data[word + 1] : 0;
    return ((hi << 8 | lo) >> (15 - i % 16)) & 1;
}

TEST(LzxBitReader, ReadsTheSameBitsAsAWordByWordModel) {
    std::mt19937 random(7);
    for (uint32_t size = 0; size <= 40; ++size) {
        std::vector<uint8_t> data(size);
        for (auto& b : data) b = uint8_t(random());
        for (uint32_t start = 0; start <= 3 && start <= size; ++start) {
            lzx::BitReader r;
            r.prime(data.data(), size, start);
            uint64_t at = 0;
            // Reads run 8 words past the data: the zeros there count as consumed.
            while (at < 8 * (size - start) + 128) {
                const uint32_t n = 1 + random() % 17;
                r.refill();
                uint32_t expected = 0;
                for (uint32_t i = 0; i < n; ++i)
                    expected = expected << 1 | modelBit(data, start, at + i);
                ASSERT_EQ(r.take(n), expected)
                    << "size " << size << " start " << start << " at " << at;
                at += n;
                ASSERT_EQ(r.consumed(), int64_t(at));
            }
        }
    }
}

}  // namespace
}  // namespace tamrix
