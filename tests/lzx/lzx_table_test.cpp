// Decode-table building: complete, empty, incomplete and over-full codes.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/lzx/lzx_code_lengths.h"
#include "codecs/lzx/lzx_huffman_table.h"

namespace tamrix {
namespace {

TEST(LzxTables, AllZeroLengthsDecodeSymbolZeroWithoutBits) {
    uint8_t lengths[20] = {};
    uint32_t table[256];
    uint32_t nodes[20][2];
    std::memset(table, 0x7F, sizeof table);
    ASSERT_TRUE(lzx::buildDecodeTable(20, lengths, 8, table, nodes));
    for (uint32_t e : table) EXPECT_EQ(e, 0u);
}

TEST(LzxTables, IncompleteOrOverFullCodesFailAndLeaveTheTable) {
    uint32_t table[4096];
    uint32_t nodes[656][2];
    std::memset(table, 0x11, sizeof table);
    uint8_t lengths[656] = {};
    lengths[3] = 1;  // one code of length 1
    EXPECT_FALSE(lzx::buildDecodeTable(656, lengths, 10, table, nodes));
    std::memset(lengths, 16, sizeof lengths);  // 656 codes of 16 bits: under-full
    EXPECT_FALSE(lzx::buildDecodeTable(656, lengths, 10, table, nodes));
    std::memset(lengths, 9, sizeof lengths);  // 656 codes of 9 bits: over-full
    EXPECT_FALSE(lzx::buildDecodeTable(656, lengths, 10, table, nodes));
    for (uint32_t e : table) ASSERT_EQ(e, 0x11111111u);
}

TEST(LzxTables, LongCodesWalkNodeChains) {
    // Skewed frequencies give codes of up to 16 bits; every symbol must decode back.
    uint32_t freq[656];
    for (uint32_t i = 0; i < 656; ++i) freq[i] = i < 20 ? 1u << (20 - i) : 1 + i % 3;
    uint8_t lengths[656];
    uint16_t codes[656];
    lzx::buildCodeLengths(freq, 656, 16, lengths);
    lzx::assignCanonicalCodes(lengths, 656, codes);
    uint32_t table[1024];
    uint32_t nodes[656][2];
    ASSERT_TRUE(lzx::buildDecodeTable(656, lengths, 10, table, nodes));
    uint8_t longest = 0;
    for (uint32_t s = 0; s < 656; ++s) {
        longest = std::max(longest, lengths[s]);
        lzx::BitReader r{};
        // One symbol's code, left-aligned in a 16-bit word.
        const uint16_t word = uint16_t(codes[s] << (16 - lengths[s]));
        uint8_t bytes[2] = {uint8_t(word), uint8_t(word >> 8)};
        r.prime(bytes, 2, 0);
        const uint32_t entry = lzx::lookupEntry<10>(r, table, nodes);
        EXPECT_EQ(lzx::entrySymbol(entry), s);
        EXPECT_EQ(lzx::entryCodeLength(entry), lengths[s]);
        // Matches carry the extra bits of their position slot.
        const uint32_t extra = s < 256 ? 0 : lzx::kExtraBits[(s - 256) >> 3];
        EXPECT_EQ(lzx::entryExtraBits(entry), extra);
    }
    EXPECT_GT(longest, 10);
    EXPECT_LE(longest, 16);
}

TEST(LzxTables, AlignedTreeMustBeCompleteAndFit) {
    uint8_t table[128];
    uint8_t three[8] = {3, 3, 3, 3, 3, 3, 3, 3};
    ASSERT_TRUE(lzx::buildAlignedTable(three, table));
    for (int i = 0; i < 128; ++i) EXPECT_EQ(table[i], 3 << 3 | i >> 4);  // length 3, symbol
    uint8_t ones[8] = {1, 1, 1, 1, 1, 1, 1, 1};  // sums to 4 * 65536, wraps to 0: fails on fill
    EXPECT_FALSE(lzx::buildAlignedTable(ones, table));
    uint8_t zeros[8] = {};
    EXPECT_TRUE(lzx::buildAlignedTable(zeros, table));
    uint8_t incomplete[8] = {1, 2, 3, 0, 0, 0, 0, 0};
    EXPECT_FALSE(lzx::buildAlignedTable(incomplete, table));
}

}  // namespace
}  // namespace tamrix
