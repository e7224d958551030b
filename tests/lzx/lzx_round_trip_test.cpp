// Round trips through our compressor and decoder.
#include <gtest/gtest.h>

#include "tests/lzx/lzx_test_util.h"

namespace tamrix {
namespace {

using lzx_test::Decoder;

struct RoundTripCase {
    unsigned windowBits;
    LzxEncoder::BlockChoice choice;
    bool e8;
};

std::string caseName(const testing::TestParamInfo<RoundTripCase>& info) {
    static const char* const kChoices[] = {"Best", "Verbatim", "Aligned", "Uncompressed"};
    return "W" + std::to_string(info.param.windowBits) + "_" + kChoices[int(info.param.choice)] +
           (info.param.e8 ? "_E8" : "_NoE8");
}

class LzxRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(LzxRoundTrip, MixedDataOverSeveralSeeds) {
    const RoundTripCase& c = GetParam();
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        // Long enough to wrap the window (up to 2^17) and end in a short frame.
        const uint32_t size = (c.windowBits <= 17 ? 300000 : 200000) + seed * 777;
        const std::vector<uint8_t> data = lzx_test::makeMixed(size, seed * 31 + c.windowBits);
        LzxEncoder encoder(c.windowBits, c.e8);
        encoder.setBlockChoice(c.choice);
        const auto blocks = lzx_test::compressFolder(encoder, data);
        Decoder decoder(1u << c.windowBits);
        ASSERT_TRUE(decoder.ok());
        int failedAt = 0;
        const std::vector<uint8_t> back =
            lzx_test::decompressFolder(decoder, blocks, size, &failedAt);
        ASSERT_EQ(failedAt, -1) << "seed " << seed;
        ASSERT_TRUE(back == data) << "seed " << seed;
    }
}

std::vector<RoundTripCase> allCases() {
    std::vector<RoundTripCase> cases;
    for (unsigned bits = 15; bits <= 21; ++bits) {
        for (int choice = 0; choice < 4; ++choice) {
            for (bool e8 : {true, false}) {
                cases.push_back({bits, LzxEncoder::BlockChoice(choice), e8});
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllWindows, LzxRoundTrip, testing::ValuesIn(allCases()), caseName);

}  // namespace
}  // namespace tamrix
