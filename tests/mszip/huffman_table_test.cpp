// The table builder: its results, and that every code resolves to its symbol through the levels.
#include "codecs/mszip/huffman_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bit_writer.h"

namespace tamrix::mszip::test {
namespace {

const SymbolCoding kPlain{288, nullptr, nullptr};

struct Built {
    TableBuildResult result;
    uint32_t width;
    std::vector<HuffmanEntry> area;
};

Built build(const std::vector<uint8_t>& lengths, uint32_t width, uint32_t capacity = 2000) {
    Built b{TableBuilt, width, std::vector<HuffmanEntry>(capacity)};
    b.result = buildHuffmanTable(lengths.data(), uint32_t(lengths.size()), kPlain, b.area.data(),
                                 capacity, &b.width);
    return b;
}

// Looks up a stream whose next bits are `bits` (first bit lowest); returns the entry reached.
HuffmanEntry lookup(const Built& b, uint32_t bits, uint32_t* used) {
    HuffmanEntry e = b.area[bits & ((1u << b.width) - 1)];
    *used = 0;
    if (e.kind & kKindLink) {
        *used = e.totalBits;
        e = b.area[e.value + ((bits >> *used) & ((1u << (e.kind & kKindCodeBits)) - 1))];
        EXPECT_FALSE(e.kind & kKindLink) << "two levels at most";
    }
    *used += e.totalBits;
    return e;
}

uint32_t reversed(uint32_t code, uint32_t length) {
    uint32_t r = 0;
    for (uint32_t i = 0; i < length; ++i) r |= ((code >> i) & 1) << (length - 1 - i);
    return r;
}

void expectEveryCodeResolves(const std::vector<uint8_t>& lengths, const Built& b) {
    const std::vector<uint32_t> codes = canonicalCodes(lengths);
    for (uint32_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] == 0) continue;
        uint32_t used;
        // Bits after the code are set, to show they are not looked at.
        const uint32_t followingBits = ~((1u << lengths[s]) - 1);
        const HuffmanEntry e = lookup(b, reversed(codes[s], lengths[s]) | followingBits, &used);
        ASSERT_EQ(e.value, s) << "symbol " << s;
        ASSERT_EQ(e.kind & ~kKindCodeBits,
                  s < 256 ? kKindLiteral : kKindExceptional | kKindEndOfBlock);
        ASSERT_EQ(used, lengths[s]);
    }
}

// A random complete code over `symbols` symbols (some of them unused), no code longer than 15.
std::vector<uint8_t> randomCompleteCode(std::mt19937& random, uint32_t symbols, uint32_t used) {
    std::vector<uint8_t> leaves = {1, 1};
    while (leaves.size() < used) {
        const size_t i = random() % leaves.size();
        if (leaves[i] == 15) continue;
        ++leaves[i];
        leaves.push_back(leaves[i]);
    }
    leaves.resize(symbols, 0);
    std::shuffle(leaves.begin(), leaves.end(), random);
    return leaves;
}

TEST(HuffmanTable, ResultsForCompleteIncompleteAndOverSubscribedCodes) {
    EXPECT_EQ(build({1, 1}, 9).result, TableBuilt);
    EXPECT_EQ(build({2, 1, 3, 3}, 9).result, TableBuilt);
    EXPECT_EQ(build({2, 2, 0}, 9).result, TableIncomplete);
    EXPECT_EQ(build({1, 1, 1}, 9).result, TableOverSubscribed);
    EXPECT_EQ(build({1, 2, 2, 3}, 9).result, TableOverSubscribed);
}

TEST(HuffmanTable, LoneOneBitCodeIsAcceptedWithAFillerBeside) {
    const Built b = build({0, 0, 1}, 7);
    EXPECT_EQ(b.result, TableBuilt);
    EXPECT_EQ(b.width, 1u);
    EXPECT_EQ(b.area[0].value, 2);
    EXPECT_EQ(b.area[1].kind, kKindInvalid);
}

TEST(HuffmanTable, WidthFollowsTheShortestAndLongestCodes) {
    const Built empty = build({0, 0, 0}, 9);
    EXPECT_EQ(empty.result, TableBuilt);
    EXPECT_EQ(empty.width, 0u);
    EXPECT_EQ(build({2, 1, 3, 3}, 9).width, 3u);
    EXPECT_EQ(build(std::vector<uint8_t>(16, 4), 2).width, 4u);
}

TEST(HuffmanTable, EveryCodeOfRandomCompleteCodesResolves) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const bool litLen = round % 2 == 0;
        const uint32_t symbols = litLen ? 286 : 30;
        const std::vector<uint8_t> lengths =
            randomCompleteCode(random, symbols, 2 + random() % (symbols - 1));
        const Built b = build(lengths, litLen ? 9 : 6, 4000);
        ASSERT_EQ(b.result, TableBuilt);
        expectEveryCodeResolves(lengths, b);
    }
}

TEST(HuffmanTable, TablesThatDoNotFitTheAreaAreRefused) {
    // A complete 30-symbol code whose tables need 588 entries at width 6: 64 first-level
    // entries and sub-tables of 2, 4, 256 and 512 entries below the slots its 7- to 15-bit
    // codes share.
    const std::vector<uint8_t> lengths = {1, 2, 3, 5, 7,  7,  7,  7,  7,  7,  7,  7,  7,  8,  8,
                                          8, 8, 8, 9, 10, 13, 13, 13, 13, 13, 13, 13, 14, 15, 15};
    EXPECT_EQ(build(lengths, 6, 588).result, TableBuilt);
    EXPECT_EQ(build(lengths, 6, 587).result, TableAreaFull);
    expectEveryCodeResolves(lengths, build(lengths, 6, 588));
}

}  // namespace
}  // namespace tamrix::mszip::test
