// The call-instruction translation: the decoder's rules and the compressor's inverse.
#include "codecs/lzx/lzx_e8.h"

#include <gtest/gtest.h>

#include <random>

#include "codecs/little_endian.h"
#include "codecs/lzx/lzx_e8_preprocess.h"

namespace tamrix {
namespace {

uint32_t operandAt(const std::vector<uint8_t>& f, size_t k) {
    return load32(f.data() + k + 1);
}
void putOperand(std::vector<uint8_t>& f, size_t k, uint32_t v) {
    f[k] = 0xE8;
    store32(f.data() + k + 1, v);
}

TEST(LzxE8, OperandsTurnRelativeWrapOrStay) {
    const uint32_t fileSize = 1u << 20;
    for (auto [stored, expected] : {std::pair<uint32_t, uint32_t>{80, uint32_t(-20)},
                                    {uint32_t(-16), fileSize - 16},
                                    {2 * fileSize, 2 * fileSize}}) {
        std::vector<uint8_t> frame(200, 0x90);
        putOperand(frame, 60, stored);
        int32_t position = 40;  // E8 at stream offset 100
        lzx::undoE8Translation(frame.data(), 200, &position, fileSize);
        EXPECT_EQ(operandAt(frame, 60), expected);
        EXPECT_EQ(position, 240);
    }
}

TEST(LzxE8, ShortFramesAndTheTailAreLeftAlone) {
    std::vector<uint8_t> tiny = {0xE8, 1, 0, 0, 0};
    int32_t position = 7;
    lzx::undoE8Translation(tiny.data(), 5, &position, 1000);
    EXPECT_EQ(tiny, (std::vector<uint8_t>{0xE8, 1, 0, 0, 0}));
    EXPECT_EQ(position, 12);

    // E8 at L-6: never translated. E8 at L-8: only its first operand byte is real.
    std::vector<uint8_t> frame(64, 0x90);
    putOperand(frame, 56, 5);  // L - 8, operand bytes 57..60, tail from 58
    frame[58] = 0xE8;
    std::vector<uint8_t> before = frame;
    position = 0x18000000;  // far enough for the tail value to wrap: -0xE8E8E805 <= x
    lzx::undoE8Translation(frame.data(), 64, &position, 1000);
    EXPECT_TRUE(std::equal(frame.begin() + 58, frame.end(), before.begin() + 58));
    EXPECT_EQ(frame[57], uint8_t(5 + 1000));
}

TEST(LzxE8, CompressorSideIsUndoneExactlyAnywhereInTheFolder) {
    std::mt19937 rng(5);
    for (uint32_t base : {0u, 12345u, 0x16FFFF00u, 0x17171700u, 0x30000000u}) {
        for (int round = 0; round < 400; ++round) {
            // Short frames, and longer ones whose E8 bytes fall at every place in a 16-byte
            // group, next to each other and near the tail.
            const uint32_t length = 6 + rng() % (round < 200 ? 64 : 300);
            std::vector<uint8_t> frame(length);
            for (auto& b : frame) b = rng() % 3 == 0 ? 0xE8 : uint8_t(rng());
            auto work = frame;
            if (!lzx::applyE8Translation(work.data(), length, base, 12000000)) continue;
            int32_t position = int32_t(base);
            lzx::undoE8Translation(work.data(), length, &position, 12000000);
            ASSERT_TRUE(work == frame) << base << " " << round;
        }
    }
}

}  // namespace
}  // namespace tamrix
