// The table areas against the largest tables complete codes can need: the bound is computed, the
// code that reaches it builds in the area exactly, and blocks using such codes decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "bit_writer.h"
#include "codecs/mszip/deflate_constants.h"
#include "codecs/mszip/inflate_state.h"
#include "mszip_harness.h"
#include "table_bound.h"

namespace tamrix::mszip::test {
namespace {

const SymbolCoding kPlain{288, nullptr, nullptr};

TableBuildResult buildInto(const std::vector<uint8_t>& lengths, uint32_t width, uint32_t capacity) {
    std::vector<HuffmanEntry> area(capacity);
    return buildHuffmanTable(lengths.data(), uint32_t(lengths.size()), kPlain, area.data(),
                             capacity, &width);
}

TEST(MszipTableArea, AreasHoldTheWorstCompleteCodeAndNoMore) {
    const WorstCode litLen = worstCaseCode(kFixedLitLenCodes, kLitLenRootBits);
    const WorstCode distance = worstCaseCode(32, kDistanceRootBits);
    EXPECT_EQ(litLen.entries, kLengthAreaSize);
    EXPECT_EQ(distance.entries, kDistanceAreaSize);
    // The codes reaching the bound need exactly that many entries from the builder.
    for (const auto& [worst, root] :
         {std::pair{litLen, kLitLenRootBits}, {distance, kDistanceRootBits}}) {
        EXPECT_EQ(buildInto(worst.lengths, root, worst.entries), TableBuilt);
        EXPECT_EQ(buildInto(worst.lengths, root, worst.entries - 1), TableAreaFull);
    }
    // What a dynamic block can declare: 286 and 30 codes.
    EXPECT_EQ(worstCaseCode(kMaxLitLenCodes, kLitLenRootBits).entries, 2340u);
    EXPECT_EQ(worstCaseCode(kMaxDistanceCodes, kDistanceRootBits).entries, 400u);
}

TEST(MszipTableArea, RandomDeepCodesStayWithinTheBound) {
    // Codes grown by splitting random leaves, biased to the deepest: none needs more.
    std::mt19937 random(7);
    const uint32_t litLenBound = worstCaseCode(286, kLitLenRootBits).entries;
    const uint32_t distanceBound = worstCaseCode(30, kDistanceRootBits).entries;
    for (uint32_t round = 0; round < 300; ++round) {
        const uint32_t symbols = round % 2 ? 286 : 30;
        const uint32_t root = round % 2 ? kLitLenRootBits : kDistanceRootBits;
        std::vector<uint8_t> leaves = {1, 1};
        while (leaves.size() < symbols) {
            size_t i = random() % leaves.size();
            if (random() % 2)
                i = size_t(std::max_element(leaves.begin(), leaves.end()) - leaves.begin());
            if (leaves[i] == 15) i = random() % leaves.size();
            if (leaves[i] == 15) continue;
            ++leaves[i];
            leaves.push_back(leaves[i]);
        }
        EXPECT_EQ(buildInto(leaves, root, round % 2 ? litLenBound : distanceBound), TableBuilt);
    }
}

// Symbols ordered by code length, longest first.
std::vector<uint32_t> longestFirst(const std::vector<uint8_t>& lengths) {
    std::vector<uint32_t> order(lengths.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return lengths[a] > lengths[b]; });
    return order;
}

TEST(MszipTableArea, BlocksWithTheWorstCodesDecode) {
    // Literal/length: the worst 286-code shape, every code used once (the end of block last);
    // lengths go to the symbols so that the longest codes are literals and match lengths.
    const WorstCode shape = worstCaseCode(kMaxLitLenCodes, kLitLenRootBits);
    std::vector<uint8_t> litLen(kMaxLitLenCodes);
    std::vector<uint8_t> sortedShape(shape.lengths);
    std::sort(sortedShape.begin(), sortedShape.end());
    for (uint32_t s = 0; s < kMaxLitLenCodes; ++s)
        litLen[s] = sortedShape[(s + 7) % kMaxLitLenCodes];
    // Distance: the worst 30-code shape over the 30 distance symbols.
    const std::vector<uint8_t> distance =
        worstCaseCode(kMaxDistanceCodes, kDistanceRootBits).lengths;
    const std::vector<uint32_t> litLenCodes = canonicalCodes(litLen);
    const std::vector<uint32_t> distanceCodes = canonicalCodes(distance);

    BitWriter w;
    w.header(true, 2);
    writeDynamicHeader(w, litLen, distance);
    std::vector<uint8_t> expected;
    for (uint32_t s : longestFirst(litLen)) {
        if (s < 256) {
            w.code(litLenCodes[s], litLen[s]);
            expected.push_back(uint8_t(s));
        }
    }
    // Matches: the shortest length of each length symbol, with each distance symbol's base
    // (only distances the bytes written so far reach).
    const std::vector<uint32_t> distanceOrder = longestFirst(distance);
    size_t next = 0;
    for (uint32_t s : longestFirst(litLen)) {
        if (s <= kEndOfBlockSymbol) continue;
        uint32_t d = distanceOrder[next++ % distanceOrder.size()];
        while (kDistanceBase[d] > expected.size()) d = distanceOrder[next++ % distanceOrder.size()];
        const uint32_t length = kLengthBase[s - kLengthSymbolBase];
        w.code(litLenCodes[s], litLen[s]);
        w.bits(0, kLengthExtraBits[s - kLengthSymbolBase]);
        w.code(distanceCodes[d], distance[d]);
        w.bits(0, kDistanceExtraBits[d]);
        for (uint32_t i = 0; i < length; ++i)
            expected.push_back(expected[expected.size() - kDistanceBase[d]]);
    }
    w.code(litLenCodes[kEndOfBlockSymbol], litLen[kEndOfBlockSymbol]);

    MszipDecoder decoder;
    EXPECT_EQ(decoder.decodeOk(w.block()), expected);
}

TEST(MszipHistory, HistoryBeforeTheFirstByteReadsAsZeros) {
    // The engine's output buffer holds leftovers; a first block reaching back 32768 bytes must
    // not copy them.
    MszipDecoder decoder;
    std::fill(decoder.output().begin(), decoder.output().end(), uint8_t(0xC3));
    BitWriter w;
    w.header(true, 1), w.fixedSymbol('k'), w.fixedMatch(258, 32768), w.fixedMatch(9, 1);
    w.fixedSymbol(256);
    std::vector<uint8_t> expected(1, 'k');
    expected.resize(259, 0);
    expected.resize(268, 0);
    EXPECT_EQ(decoder.decodeOk(w.block()), expected);
}

}  // namespace
}  // namespace tamrix::mszip::test
