// Each copy of the Linux tool's fast loop (plain, BMI2, AVX-512) on the same folders: whole
// folders come back exactly, and damaged frames give every copy the same result and bytes.
#include <gtest/gtest.h>

#include <random>

#include "codecs/lzx/lzx_decoder_state.h"
#include "tests/lzx/lzx_test_util.h"

namespace tamrix {
namespace {

using lzx::FastLoop;
using lzx_test::Decoder;

// The copies this processor can run, the plain one first.
std::vector<FastLoop> runnableLoops() {
    std::vector<FastLoop> loops = {FastLoop::Plain};
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("bmi2")) loops.push_back(FastLoop::Bmi2);
    if (__builtin_cpu_supports("bmi2") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl"))
        loops.push_back(FastLoop::Avx512);
#endif
    return loops;
}

class LzxFastLoops : public testing::Test {
  protected:
    void TearDown() override { lzx::chooseFastLoop(FastLoop::Automatic); }
};

// Frames decoded one by one with each outcome kept, so a damaged frame need not stop the folder.
struct FrameOutcome {
    CodecResult result;
    std::vector<uint8_t> bytes;
    bool operator==(const FrameOutcome& o) const { return result == o.result && bytes == o.bytes; }
};

std::vector<FrameOutcome> decodeFrames(uint32_t windowSize,
                                       const std::vector<std::vector<uint8_t>>& blocks,
                                       uint32_t totalSize) {
    Decoder decoder(windowSize);
    std::vector<FrameOutcome> outcomes;
    uint32_t left = totalSize;
    for (const auto& block : blocks) {
        const uint32_t wanted = left < kCodecOutputSize ? left : kCodecOutputSize;
        FrameOutcome o;
        o.result = decoder.decode(block, wanted, &o.bytes);
        outcomes.push_back(std::move(o));
        left -= wanted;
    }
    return outcomes;
}

TEST_F(LzxFastLoops, EveryCopyDecodesWholeFoldersExactly) {
    // Small windows wrap many times (sources across the window's end, the oldest history);
    // the aligned and verbatim choices run both block loops.
    for (unsigned bits : {15u, 17u, 21u}) {
        for (auto choice : {LzxEncoder::BlockChoice::Aligned, LzxEncoder::BlockChoice::Verbatim}) {
            const uint32_t size = 400000 + bits;
            const std::vector<uint8_t> data = lzx_test::makeMixed(size, bits);
            LzxEncoder encoder(bits, true);
            encoder.setBlockChoice(choice);
            const auto blocks = lzx_test::compressFolder(encoder, data);
            for (FastLoop loop : runnableLoops()) {
                lzx::chooseFastLoop(loop);
                Decoder decoder(1u << bits);
                int failedAt = 0;
                const auto back = lzx_test::decompressFolder(decoder, blocks, size, &failedAt);
                ASSERT_EQ(failedAt, -1) << bits << " loop " << int(loop);
                ASSERT_TRUE(back == data) << bits << " loop " << int(loop);
            }
        }
    }
}

TEST_F(LzxFastLoops, EveryCopyAnswersDamagedFramesAlike) {
    const unsigned bits = 16;
    const uint32_t size = 48 * kCodecOutputSize;
    const std::vector<uint8_t> data = lzx_test::makeMixed(size, 5);
    LzxEncoder encoder(bits, true);
    auto blocks = lzx_test::compressFolder(encoder, data);
    // Past the first frames, a bit flipped in one of every four and a cut in another: the
    // frames after them go on from whatever trees, distances and window the damage left.
    std::mt19937 rng(7);
    for (size_t k = 8; k < blocks.size(); ++k) {
        auto& block = blocks[k];
        if (k % 4 == 0) block[rng() % block.size()] ^= uint8_t(1u << (rng() % 8));
        if (k % 4 == 2) block.resize(rng() % block.size());
    }
    const auto loops = runnableLoops();
    lzx::chooseFastLoop(FastLoop::Plain);
    const auto plain = decodeFrames(1u << bits, blocks, size);
    for (size_t i = 1; i < loops.size(); ++i) {
        lzx::chooseFastLoop(loops[i]);
        const auto other = decodeFrames(1u << bits, blocks, size);
        ASSERT_EQ(plain.size(), other.size());
        for (size_t k = 0; k < plain.size(); ++k)
            ASSERT_TRUE(plain[k] == other[k]) << "loop " << int(loops[i]) << " frame " << k;
    }
}

}  // namespace
}  // namespace tamrix
