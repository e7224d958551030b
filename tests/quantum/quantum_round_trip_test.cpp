// Round trips through our compressor and the codec, every window size, window in memory and
// paged.
#include <gtest/gtest.h>

#include "codecs/quantum/quantum_decoder.h"
#include "tests/quantum/quantum_test_env.h"

namespace tamrix::quantum_test {
namespace {

class RoundTrip : public ::testing::TestWithParam<std::tuple<unsigned, bool>> {
  protected:
    void SetUp() override { resetEnvironment(); }
    void TearDown() override { EXPECT_EQ(liveAllocations(), 0); }
};

TEST_P(RoundTrip, MixedDataDecodesToTheOriginal) {
    const auto [windowBits, paged] = GetParam();
    // Enough to wrap every window at least once, and the largest ones a little.
    const size_t size = std::max<size_t>(size_t(3) << windowBits, 200000) + 12345;
    const std::vector<uint8_t> data = mixedData(size, windowBits * 7 + paged);
    const auto frames = compressFrames(data, windowBits);
    if (paged) {
        allocPolicy().refuseSize = 1u << windowBits;
        allocPolicy().slotSize = sizeof(quantum::WindowSlot);
        allocPolicy().slotBudget = 5;  // few slots: pages go through the spill file
    }
    {
        TestCodec codec(windowBits);
        ASSERT_NE(codec.handle(), nullptr);
        std::vector<uint8_t> decoded;
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
        ASSERT_EQ(decoded, data);
        // A second folder after reset decodes the same way.
        ASSERT_EQ(codec.reset(), CodecSuccess);
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
        ASSERT_EQ(decoded, data);
    }
    if (paged) {
        EXPECT_EQ(spillLog().opens, 1);
        EXPECT_EQ(spillLog().closes, 1);
        if (windowBits >= 15) {
            EXPECT_GT(spillLog().writes, 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllWindows, RoundTrip,
                         ::testing::Combine(::testing::Range(10u, 22u), ::testing::Bool()),
                         [](const auto& info) {
                             return "w" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "_paged" : "_memory");
                         });

}  // namespace
}  // namespace tamrix::quantum_test
