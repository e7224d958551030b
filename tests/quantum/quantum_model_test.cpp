// The adaptive model: when it rescales, the exact order its exchange sort leaves, and the search
// bounded by the terminator.
#include "codecs/quantum/quantum_model.h"

#include <gtest/gtest.h>

#include "codecs/quantum/quantum_division.h"

namespace tamrix::quantum {
namespace {

std::vector<uint32_t> symbols(const QuantumModel& m) {
    std::vector<uint32_t> out;
    for (int i = 0; i < m.count; ++i) out.push_back(m.symbol[i]);
    return out;
}

TEST(QuantumModel, LiteralModelFirstRescalesAtSymbol468AndHalves) {
    QuantumModel m;
    initModel(m, 64);
    for (int k = 0; k < 467; ++k) adaptModel(m, 0);
    EXPECT_EQ(m.cumFreq[0], 64u + 8 * 467);  // 3800: not yet above the threshold
    EXPECT_EQ(m.reorderCountdown, 4);
    adaptModel(m, 0);
    EXPECT_EQ(m.reorderCountdown, 3);
    // Halved, the order kept: 3808 / 2 = 1904 at the top, the untouched tail 63..1 halved but
    // kept strictly decreasing above the terminator.
    EXPECT_EQ(m.cumFreq[0], 1904u);
    EXPECT_EQ(m.symbol[0], 0u);
    for (int i = 0; i < 64; ++i) EXPECT_GT(m.cumFreq[i], m.cumFreq[i + 1]);
    EXPECT_EQ(m.cumFreq[64], 0u);
}

TEST(QuantumModel, FourthRescaleReordersThenEveryFiftieth) {
    QuantumModel m;
    initModel(m, 7);
    int rescales = 0;
    int reorderAt[2] = {0, 0};
    for (int k = 0; k < 200000 && rescales < 54; ++k) {
        const int before = m.reorderCountdown;
        adaptModel(m, k % 7 == 0 ? 6 : 0);
        if (m.reorderCountdown != before) {
            ++rescales;
            if (m.reorderCountdown == 50) reorderAt[reorderAt[0] ? 1 : 0] = rescales;
        }
    }
    EXPECT_EQ(reorderAt[0], 4);
    EXPECT_EQ(reorderAt[1], 54);
}

TEST(QuantumModel, ReorderUsesThePairwiseExchangeNotAStableSort) {
    // Frequencies 2, 2, 3 for symbols 0, 1, 2 (as differences 4, 4, 6 before halving). The
    // exchange puts symbol 2 first by swapping it with symbol 0, which lands behind symbol 1; a
    // stable sort would give 2, 0, 1.
    QuantumModel m;
    initModel(m, 3);
    m.cumFreq[0] = 14;
    m.cumFreq[1] = 10;
    m.cumFreq[2] = 6;
    m.reorderCountdown = 1;
    rescaleModel(m);
    EXPECT_EQ(symbols(m), (std::vector<uint32_t>{2, 1, 0}));
    EXPECT_EQ(m.cumFreq[0], 7u);
    EXPECT_EQ(m.cumFreq[1], 4u);
    EXPECT_EQ(m.cumFreq[2], 2u);
    EXPECT_EQ(m.cumFreq[3], 0u);
    EXPECT_EQ(m.reorderCountdown, 50);
}

TEST(QuantumModel, SearchStopsAtTheTerminator) {
    QuantumModel m;
    initModel(m, 27);
    // Cumulative frequencies 27..1, terminator 0.
    EXPECT_EQ(findEntry(m, 0), 26);
    EXPECT_EQ(findEntry(m, 26), 0);
    // Targets at or above the total only come from corrupt input: entry 0, never past the end.
    EXPECT_EQ(findEntry(m, 27), 0);
    EXPECT_EQ(findEntry(m, 0xFFFFFFFF), 0);
    // A model with one heavy symbol at the end of the search.
    for (int k = 0; k < 300; ++k) adaptModel(m, 26);
    EXPECT_EQ(findEntry(m, 0), 26);
    EXPECT_EQ(m.cumFreq[27], 0u);
}

TEST(QuantumModel, DivisionByTheTotalIsExact) {
    // Every total, at the dividends around each multiple where a rounding error would show.
    prepareTotalReciprocals();
    for (uint32_t d = 1; d <= kMaxTotal; ++d) {
        const uint64_t r = totalReciprocals.of[d];
        for (uint32_t k : {1u, 2u, 3u, 7u, 4095u, 65535u, 65536u}) {
            const uint32_t n = k * d;
            ASSERT_EQ(divideByTotal(n, r), k) << d;
            ASSERT_EQ(divideByTotal(n - 1, r), k - 1) << d;
        }
        ASSERT_EQ(divideByTotal(0, r), 0u);
    }
}

}  // namespace
}  // namespace tamrix::quantum
