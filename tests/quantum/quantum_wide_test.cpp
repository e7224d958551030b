// The frame decoder's AVX-512 build against its baseline build, from the same state: the same
// result, bytes, models and window, on whole frames and on damaged ones.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "codecs/quantum/quantum_decoder.h"
#include "tests/quantum/quantum_test_env.h"

namespace tamrix::quantum_test {
namespace {

#ifdef TAMRIX_QUANTUM_WIDE
using quantum::gQuantumDecoder;
using quantum::QuantumDecoder;

struct FrameResult {
    bool ok;
    std::vector<uint8_t> output;
    QuantumDecoder state;
    std::vector<uint8_t> window;
};

FrameResult decodeWith(decltype(&quantum::decodeFrameWide) decode, const QuantumDecoder& start,
                       const std::vector<uint8_t>& startWindow, const std::vector<uint8_t>& block) {
    QuantumDecoder& d = gQuantumDecoder;
    d = start;
    std::memcpy(d.window, startWindow.data(), startWindow.size());
    FrameResult r{false, std::vector<uint8_t>(kCodecOutputSize), {}, {}};
    r.ok = decode(d, block.data(), uint32_t(block.size()), r.output.data(), kCodecOutputSize);
    r.state = d;
    r.window.assign(d.window, d.window + d.windowSize);
    return r;
}

TEST(QuantumWideBuild, DecodesAsTheBaselineOnWholeAndDamagedFrames) {
    if (!__builtin_cpu_supports("avx512bw") || !__builtin_cpu_supports("avx512vl"))
        GTEST_SKIP() << "this processor has no AVX-512";
    resetEnvironment();
    const auto data = mixedData(12 * kCodecOutputSize, 16);
    for (unsigned bits : {15u, 21u}) {
        const auto frames = compressFrames(data, bits);
        TestCodec codec(bits);
        std::mt19937 rng(bits);
        for (size_t k = 0; k < frames.size(); ++k) {
            // The first frames whole, then a bit flipped or a cut in two of every three: the
            // models then go on from whatever the damage left, in both builds alike.
            std::vector<uint8_t> block = frames[k];
            const bool whole = k < 4;
            if (!whole && k % 3 == 1) block[rng() % block.size()] ^= uint8_t(1u << (rng() % 8));
            if (!whole && k % 3 == 2) block.resize(rng() % block.size());
            const QuantumDecoder start = gQuantumDecoder;
            const std::vector<uint8_t> startWindow(start.window, start.window + start.windowSize);
            const FrameResult base =
                decodeWith(quantum::decodeFrameBaseline, start, startWindow, block);
            const FrameResult wide =
                decodeWith(quantum::decodeFrameWide, start, startWindow, block);
            ASSERT_EQ(base.ok, wide.ok) << bits << " " << k;
            if (whole) {
                ASSERT_TRUE(wide.ok) << bits << " " << k;
            }
            ASSERT_EQ(base.output, wide.output) << bits << " " << k;
            ASSERT_EQ(base.window, wide.window) << bits << " " << k;
            ASSERT_EQ(base.state.streamPosition, wide.state.streamPosition);
            ASSERT_EQ(0,
                      std::memcmp(base.state.models, wide.state.models, sizeof base.state.models));
        }
    }
}
#endif

}  // namespace
}  // namespace tamrix::quantum_test
