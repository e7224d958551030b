// The compressor's own promises: blocks that fit the decoder's input buffer, whatever the data.
#include "codecs/quantum/quantum_encoder.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/quantum/quantum_test_env.h"

namespace tamrix::quantum_test {
namespace {

TEST(QuantumEncoder, NoiseFitsTheInputBuffer) {
    std::mt19937 rng(21);
    std::vector<uint8_t> data(4 * 32768);
    for (auto& b : data) b = uint8_t(rng());
    for (unsigned bits : {10u, 21u}) {
        for (const auto& block : compressFrames(data, bits)) {
            EXPECT_LE(block.size(), QuantumEncoder::kDefaultBlockLimit);
        }
    }
}

TEST(QuantumEncoder, OversizedBlockIsCodedAgainAsLiterals) {
    resetEnvironment();
    const auto data = mixedData(5 * 32768 + 77, 22);
    QuantumEncoder encoder(16);
    // The full frames outgrow this limit, so each is coded a second time from its start models.
    encoder.setBlockLimit(1000);
    std::vector<std::vector<uint8_t>> frames;
    std::vector<std::vector<uint8_t>> normal = compressFrames(data, 16);
    for (size_t at = 0; at < data.size(); at += 32768) {
        const uint32_t n = uint32_t(std::min<size_t>(32768, data.size() - at));
        frames.push_back(encoder.encodeFrame(data.data() + at, n));
    }
    EXPECT_GT(frames[0].size(), normal[0].size());
    TestCodec codec(16);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
    EXPECT_EQ(decoded, data);
}

}  // namespace
}  // namespace tamrix::quantum_test
