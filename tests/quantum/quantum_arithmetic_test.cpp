// The fast arithmetic decoder against the plain rules it replaces: one bit at a time, the
// division for the target, the linear search and the renormalising loop. Corrupt input counts
// as much as valid input: the decoded result must match in every case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "codecs/quantum/quantum_arithmetic_decoder.h"
#include "codecs/quantum/quantum_memory_window.h"

namespace tamrix::quantum {
namespace {

// The renormalisation as a loop over single bits, as the format describes it.
Renormalised renormalisedByLoop(uint32_t low, uint32_t high) {
    int n = 0;
    for (;;) {
        if ((low ^ high) & 0x8000) {
            if (!(low & 0x4000) || (high & 0x4000)) break;
            low &= 0x3FFF;
            high |= 0x4000;
        }
        low = (low << 1) & 0xFFFF;
        high = ((high << 1) | 1) & 0xFFFF;
        ++n;
    }
    return {low, high, n, n + 16};
}

TEST(QuantumArithmetic, RenormalisationMatchesTheBitLoop) {
    // Every low with ranges from the smallest a symbol leaves (4) up through every power of two.
    std::vector<uint32_t> ranges;
    for (uint32_t r = 4; r <= 100; ++r) ranges.push_back(r);
    for (uint32_t b = 9; b <= 16; ++b) {
        for (uint32_t r : {(1u << b) - 1, 1u << b, (1u << b) + 1, 3u << (b - 2)})
            ranges.push_back(r);
    }
    for (uint32_t low = 0; low <= 0xFFFF; ++low) {
        for (uint32_t r : ranges) {
            const uint32_t high = low + r - 1;
            if (high > 0xFFFF) break;
            const Renormalised fast = renormalised(low, high);
            const Renormalised loop = renormalisedByLoop(low, high);
            ASSERT_EQ(fast.shift, loop.shift) << low << " " << high;
            ASSERT_EQ(fast.lead, loop.lead) << low << " " << high;
            ASSERT_EQ(fast.low, loop.low) << low << " " << high;
            ASSERT_EQ(fast.high, loop.high) << low << " " << high;
            // The decoder keeps the range rather than high: each shift doubles it exactly.
            ASSERT_EQ(loop.high - loop.low + 1, r << loop.shift) << low << " " << high;
        }
    }
}

// Models at the states decoding reaches: adapted at random entries through halvings and
// reorders, with some skewed towards few symbols.
std::vector<QuantumModel> sampleModels() {
    std::vector<QuantumModel> out;
    std::mt19937 rng(7);
    for (int count : {7, 20, 24, 27, 36, 42, 64}) {
        for (int skew : {1, 3, 64}) {
            QuantumModel m;
            initModel(m, count);
            for (int k = 0; k < 30000; ++k) {
                adaptModel(m, int(rng() % uint32_t(skew < count ? skew : count)));
                if (k % 997 == 0) out.push_back(m);
            }
        }
    }
    return out;
}

TEST(QuantumArithmetic, GroupedSearchAndAdaptMatchTheLinearOnes) {
    for (const QuantumModel& model : sampleModels()) {
        const uint32_t total = model.cumFreq[0];
        for (uint32_t target = 0; target <= total + 2; ++target) {
#ifdef __SSE2__
            ASSERT_EQ(findEntryGrouped<groupsFor(kMaxModelSymbols)>(model, target),
                      findEntry(model, target));
#endif
            const int i = findEntry(model, target);
            ASSERT_LT(i, model.count);
            QuantumModel fast = model;
            adaptModel(fast, i);
            QuantumModel plain = model;
            for (int k = 0; k <= i; ++k) plain.cumFreq[k] = uint16_t(plain.cumFreq[k] + 8);
            if (plain.cumFreq[0] > kRescaleThreshold) rescaleModel(plain);
            ASSERT_EQ(0, std::memcmp(fast.cumFreq, plain.cumFreq, sizeof fast.cumFreq));
            ASSERT_EQ(0, std::memcmp(fast.symbol, plain.symbol, sizeof fast.symbol));
        }
#ifdef __SSE2__
        // Targets far beyond the total come only from corrupt input: entry 0.
        EXPECT_EQ(findEntryGrouped<groupsFor(kMaxModelSymbols)>(model, 0xFFFFFFFF), 0);
#endif
    }
}

// The decoder as the format states it: the code register, bits one at a time with zeros (and
// a note) after the end, the division, the linear search, the loop.
class PlainDecoder {
  public:
    PlainDecoder(const uint8_t* data, uint32_t size) : data_(data), size_(size) {
        for (int k = 0; k < 16; ++k) code_ = (code_ << 1) | bit();
    }
    uint32_t decode(QuantumModel& m) {
        const uint32_t total = m.cumFreq[0];
        const uint32_t range = high_ - low_ + 1;
        const uint32_t target = ((((code_ - low_) & 0xFFFF) + 1) * total - 1) / range;
        const int i = findEntry(m, target);
        const uint32_t symbol = m.symbol[i];
        high_ = (low_ + m.cumFreq[i] * range / total - 1) & 0xFFFF;
        low_ = (low_ + m.cumFreq[i + 1] * range / total) & 0xFFFF;
        for (;;) {
            if ((low_ ^ high_) & 0x8000) {
                if (!(low_ & 0x4000) || (high_ & 0x4000)) break;
                code_ ^= 0x4000;
                low_ &= 0x3FFF;
                high_ |= 0x4000;
            }
            low_ = (low_ << 1) & 0xFFFF;
            high_ = ((high_ << 1) | 1) & 0xFFFF;
            code_ = ((code_ << 1) | bit()) & 0xFFFF;
        }
        for (int k = 0; k <= i; ++k) m.cumFreq[k] = uint16_t(m.cumFreq[k] + 8);
        if (m.cumFreq[0] > kRescaleThreshold) rescaleModel(m);
        return symbol;
    }
    uint32_t raw(int n) {
        uint32_t v = 0;
        for (int k = 0; k < n; ++k) v = (v << 1) | bit();
        return v;
    }
    bool exhausted() const { return exhausted_; }

  private:
    uint32_t bit() {
        if (at_ / 8 >= size_) {
            exhausted_ = true;
            return 0;
        }
        const uint32_t b = (data_[at_ / 8] >> (7 - at_ % 8)) & 1;
        ++at_;
        return b;
    }
    const uint8_t* data_;
    uint32_t size_;
    uint32_t at_ = 0;
    bool exhausted_ = false;
    uint32_t low_ = 0, high_ = 0xFFFF, code_ = 0;
};

TEST(QuantumArithmetic, DecoderMatchesThePlainRulesOnAnyInput) {
    prepareTotalReciprocals();
    std::mt19937 rng(11);
    for (int trial = 0; trial < 400; ++trial) {
        // Random bytes (any bytes are a valid code) of every length near the refill's word, some
        // of them mostly ones or zeros so that the intervals shrink and straddle.
        std::vector<uint8_t> data(trial % 40 + (trial % 3 ? 0 : rng() % 3000));
        const uint32_t bias = rng() % 3;
        for (auto& b : data)
            b = uint8_t(bias == 0 ? rng() : bias == 1 ? rng() | rng() : rng() & rng());
        ArithmeticDecoder fast(data.data(), uint32_t(data.size()));
        PlainDecoder plain(data.data(), uint32_t(data.size()));
        QuantumModel fastModels[4], plainModels[4];
        const int counts[4] = {7, 64, 27, 42};
        for (int k = 0; k < 4; ++k) initModel(fastModels[k], counts[k]);
        std::copy(fastModels, fastModels + 4, plainModels);
        for (int step = 0; step < 4000 && !plain.exhausted(); ++step) {
            // Steps the frame loop would take without end checks use the unchecked refills.
            const bool ample = fast.ample();
            uint32_t got, want;
            switch (step % 5) {
                case 0:
                    got = ample ? fast.decode<groupsFor(7), true>(fastModels[0])
                                : fast.decode<groupsFor(7)>(fastModels[0]);
                    want = plain.decode(plainModels[0]);
                    break;
                case 1:
                    got = ample ? fast.decode<groupsFor(64), true>(fastModels[1])
                                : fast.decode<groupsFor(64)>(fastModels[1]);
                    want = plain.decode(plainModels[1]);
                    break;
                case 2:
                    got = fast.decode<groupsFor(27)>(fastModels[2]);
                    want = plain.decode(plainModels[2]);
                    break;
                case 3:
                    got = fast.decode<groupsFor(42)>(fastModels[3]);
                    want = plain.decode(plainModels[3]);
                    break;
                default:
                    got = ample ? fast.raw<true>(step % 20) : fast.raw(step % 20);
                    want = plain.raw(step % 20);
                    break;
            }
            ASSERT_EQ(got, want) << trial << " " << step;
            ASSERT_EQ(fast.exhausted(), plain.exhausted()) << trial << " " << step;
        }
    }
}

TEST(QuantumArithmetic, DivisionsByTheTotalAreExact) {
    // Every total a symbol is decoded against, bounds from 0 to the whole range, ranges from the
    // smallest to the 17-bit one of a restart.
    prepareTotalReciprocals();
    for (uint32_t total = 1; total <= kRescaleThreshold; ++total) {
        const uint64_t reciprocal = totalReciprocals.of[total];
        for (uint32_t range : {4u, 5u, 255u, 4096u, 40000u, 65535u, 65536u}) {
            for (uint32_t c : {0u, 1u, total / 3, total / 2 + 1, total - 1, total}) {
                const uint32_t n = c * range;
                ASSERT_EQ(divideByTotal(n, reciprocal), n / total) << total << " " << range;
#ifdef __LP64__
                ASSERT_EQ(divideScaledByTotal(c, range * reciprocal), n / total)
                    << total << " " << range << " " << c;
#endif
            }
        }
    }
}

#ifdef __LP64__
TEST(QuantumArithmetic, DivisionsByTheRangeAreExact) {
    // Every range a symbol cuts (4 to 2^16), dividends at both ends of a quotient's run and
    // within it, quotients from 0 to the largest below 2^14 that keeps the dividend below 2^28.
    std::mt19937 rng(44);
    for (uint32_t r = 4; r <= 0x10000; ++r) {
        const uint64_t reciprocal = rangeReciprocal(r);
        const uint32_t lastQuotient = std::min((1u << 14) - 1, ((1u << 28) - 1) / r - 1);
        for (uint32_t q : {0u, 1u, 2u, lastQuotient / 2, lastQuotient - 1, lastQuotient,
                           uint32_t(rng() % lastQuotient)}) {
            for (uint32_t n : {q * r, q * r + r - 1, q * r + uint32_t(rng() % r)}) {
                ASSERT_EQ(divideByRange(n + 1, reciprocal), q) << r << " " << n;
            }
        }
    }
}
#endif

TEST(QuantumArithmetic, BitReaderCountsTheZerosSuppliedPastTheEnd) {
    const uint8_t data[11] = {0xA5, 0x3C, 0xFF, 0x00, 0x81, 0x7E, 0x12, 0x34, 0x56, 0x78, 0x9A};
    for (uint32_t size = 0; size <= 11; ++size) {
        for (int width = 1; width <= 24; width += 5) {
            BitReader reader(data, size);
            uint32_t at = 0;  // bits taken
            for (int k = 0; k < 20; ++k) {
                reader.refill();
                const uint32_t got = reader.take(width);
                uint32_t want = 0;
                for (int b = 0; b < width; ++b, ++at) {
                    const uint32_t bit = at / 8 < size ? (data[at / 8] >> (7 - at % 8)) & 1 : 0;
                    want = (want << 1) | bit;
                }
                ASSERT_EQ(got, want) << size << " " << width << " " << k;
                ASSERT_EQ(reader.exhausted(), at > 8 * size) << size << " " << width << " " << k;
            }
        }
    }
}

TEST(QuantumArithmetic, MatchCopiesEqualAByteLoopAroundTheWindowAndOverlaps) {
    // A 64-byte window: sources behind and ahead of the write position, overlapping runs, and
    // runs that wrap at the window's end, each against the byte-at-a-time copy.
    constexpr uint32_t kSize = 64;
    for (uint32_t position = 0; position < 2 * kSize; position += 3) {
        for (uint32_t length = 3; length <= 40; ++length) {
            for (uint32_t distance = 1; distance < kSize; ++distance) {
                uint8_t window[kSize], expected[kSize];
                for (uint32_t k = 0; k < kSize; ++k) window[k] = expected[k] = uint8_t(k * 7 + 1);
                uint8_t output[48] = {}, expectedOutput[48] = {};
                FrameCursor c{output, position, 0, 48, false};
                MemoryWindow{window, kSize - 1}.match(c, length, distance);
                for (uint32_t k = 0; k < length; ++k) {
                    const uint8_t b = expected[(position + k - distance) % kSize];
                    expected[(position + k) % kSize] = expectedOutput[k] = b;
                }
                ASSERT_EQ(0, std::memcmp(window, expected, kSize))
                    << position << " " << length << " " << distance;
                ASSERT_EQ(0, std::memcmp(output, expectedOutput, sizeof output));
                ASSERT_EQ(c.done, length);
            }
        }
    }
}

#ifndef _WIN32
TEST(QuantumArithmetic, WordCopiesOfAnyLengthEqualAByteLoop) {
    // Every length a match or a page's piece of one can have, into a separate run and onto the
    // same buffer with the source at least a word behind; no byte outside the run changes.
    for (uint32_t length = 1; length <= 300; ++length) {
        for (uint32_t distance : {8u, 9u, 15u, 64u, 400u}) {
            std::vector<uint8_t> buffer(720), expected(720), output(304, 0xEE);
            for (size_t k = 0; k < buffer.size(); ++k)
                buffer[k] = expected[k] = uint8_t(k * 13 + 5);
            std::vector<uint8_t> expectedOutput = output;
            const uint32_t to = 410;
            for (uint32_t k = 0; k < length; ++k)
                expectedOutput[k + 2] = expected[to + k] = expected[to - distance + k];
            copyByWords(buffer.data() + to, buffer.data() + to - distance, output.data() + 2,
                        length);
            ASSERT_EQ(buffer, expected) << length << " " << distance;
            ASSERT_EQ(output, expectedOutput) << length << " " << distance;
        }
    }
}
#endif

}  // namespace
}  // namespace tamrix::quantum
