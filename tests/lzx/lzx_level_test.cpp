// Every level of the compressor, with blocks that span several frames, through our decoder.
#include <gtest/gtest.h>

#include "codecs/lzx/lzx_encoder_levels.h"
#include "tests/lzx/lzx_test_util.h"

namespace tamrix {
namespace {

using lzx_test::Decoder;

std::vector<std::vector<uint8_t>> compressStreaming(LzxEncoder& encoder,
                                                    const std::vector<uint8_t>& data) {
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < data.size(); at += 32768) {
        const uint32_t n = uint32_t(std::min<size_t>(32768, data.size() - at));
        encoder.addFrame(data.data() + at, n, &blocks);
    }
    encoder.finish(&blocks);
    return blocks;
}

struct LevelCase {
    int level;
    unsigned windowBits;
};

class LzxLevels : public testing::TestWithParam<LevelCase> {};

TEST_P(LzxLevels, RoundTripsMixedDataThroughTheDecoder) {
    const LevelCase& c = GetParam();
    for (uint32_t seed = 1; seed <= 2; ++seed) {
        // Enough frames to wrap the smaller windows, ending in a short frame.
        const uint32_t size = 330000 + seed * 1001;
        const std::vector<uint8_t> data = lzx_test::makeMixed(size, seed * 7 + c.windowBits);
        LzxEncoder encoder(c.windowBits, true, c.level);
        const auto blocks = compressStreaming(encoder, data);
        ASSERT_EQ(blocks.size(), (size + 32767) / 32768);
        for (const auto& block : blocks) EXPECT_LE(block.size(), 32768u + 6144u);
        Decoder decoder(1u << c.windowBits);
        int failedAt = 0;
        const std::vector<uint8_t> back =
            lzx_test::decompressFolder(decoder, blocks, size, &failedAt);
        ASSERT_EQ(failedAt, -1) << "seed " << seed << " blocks " << blocks.size();
        ASSERT_TRUE(back == data) << "seed " << seed;
    }
}

std::vector<LevelCase> levelCases() {
    std::vector<LevelCase> cases;
    for (int level = lzx::kMinLevel; level <= lzx::kMaxLevel; ++level) {
        for (unsigned bits : {15u, 17u, 21u}) cases.push_back({level, bits});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllLevels, LzxLevels, testing::ValuesIn(levelCases()),
                         [](const testing::TestParamInfo<LevelCase>& info) {
                             return "L" + std::to_string(info.param.level) + "_W" +
                                    std::to_string(info.param.windowBits);
                         });

}  // namespace
}  // namespace tamrix
