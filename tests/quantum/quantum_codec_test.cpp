// The codec operations: parameters, handle checks, the one-codec rule, and the failure rules of
// a frame, with regression cases for faults other decoders of this format have shipped.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/quantum/quantum_decoder.h"
#include "tests/quantum/quantum_stream_writer.h"
#include "tests/quantum/quantum_test_env.h"

namespace tamrix::quantum_test {
namespace {

class QuantumCodec : public ::testing::Test {
  protected:
    void SetUp() override { resetEnvironment(); }
    void TearDown() override { EXPECT_EQ(liveAllocations(), 0); }
};

CodecResult query(unsigned windowBits, uint32_t* maxOutput, uint32_t* inputSize) {
    QuantumParams params{windowBits, -1};
    return kQuantumCodec.create(maxOutput, &params, testAlloc(), testFree(), inputSize, nullptr,
                                memoryFiles());
}

TEST_F(QuantumCodec, QueryChecksWindowBitsAndSizesTheInputBuffer) {
    uint32_t maxOutput = 32768, inputSize = 0;
    EXPECT_EQ(query(9, &maxOutput, &inputSize), CodecBadParameter);
    EXPECT_EQ(query(22, &maxOutput, &inputSize), CodecBadParameter);
    for (uint32_t asked : {0u, 0x10000u, 0x8000u}) {
        maxOutput = asked;
        ASSERT_EQ(query(10, &maxOutput, &inputSize), CodecSuccess);
        EXPECT_EQ(maxOutput, 0x8000u);
        EXPECT_EQ(inputSize, 43008u);
    }
    maxOutput = 1000;
    ASSERT_EQ(query(21, &maxOutput, &inputSize), CodecSuccess);
    EXPECT_EQ(maxOutput, 1000u);
    EXPECT_EQ(inputSize, 11240u);
    EXPECT_EQ(liveAllocations(), 0);
    CodecResult r;
    TestCodec refused(22, &r);
    EXPECT_EQ(r, CodecBadParameter);
    EXPECT_EQ(refused.handle(), nullptr);
}

TEST_F(QuantumCodec, ModelSizesFollowTheWindow) {
    using namespace quantum;
    const int expected[][3] = {{10, 20, 20}, {12, 24, 24}, {17, 24, 34}, {21, 24, 36}};
    for (const auto& e : expected) {
        TestCodec codec{unsigned(e[0])};
        const QuantumDecoder& d = gQuantumDecoder;
        EXPECT_EQ(d.models[kPosition6Model].count, 2 * e[0]);
        EXPECT_EQ(d.models[kPosition4Model].count, e[1]);
        EXPECT_EQ(d.models[kPosition5Model].count, e[2]);
        EXPECT_EQ(d.models[kSelectorModel].count, 7);
        EXPECT_EQ(d.models[kLengthModel].count, 27);
    }
}

TEST_F(QuantumCodec, HandleTagIsCheckedAndOnlyOneCodecLives) {
    TestCodec codec(15);
    ASSERT_NE(codec.handle(), nullptr);
    uint32_t tag;
    std::memcpy(&tag, codec.handle(), 4);
    EXPECT_EQ(tag, kQuantumTag);

    uint32_t notAHandle[16] = {kLzxTag};
    uint8_t out[16];
    uint32_t size = 1;
    EXPECT_EQ(kQuantumCodec.decompress(notAHandle, nullptr, 0, out, &size), CodecBadHandle);
    EXPECT_EQ(kQuantumCodec.reset(notAHandle), CodecBadHandle);
    EXPECT_EQ(kQuantumCodec.destroy(notAHandle), CodecBadHandle);
    EXPECT_EQ(kQuantumCodec.destroy(nullptr), CodecBadHandle);

    // The decoder state is process-wide: a second codec is refused, the first one goes on.
    CodecResult r;
    TestCodec second(15, &r);
    EXPECT_EQ(r, CodecBadParameter);
    EXPECT_EQ(second.handle(), nullptr);
    const auto data = mixedData(40000, 1);
    const auto frames = compressFrames(data, 15);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
    EXPECT_EQ(decoded, data);
}

TEST_F(QuantumCodec, CreateFailsCleanlyWithoutMemory) {
    CodecResult r;
    allocPolicy().refuseAll = true;
    {
        TestCodec codec(12, &r);
        EXPECT_EQ(r, CodecOutOfMemory);
    }
    // The window refused and no spill file to page it: out of memory, nothing left behind.
    allocPolicy() = AllocPolicy{};
    allocPolicy().refuseSize = 1u << 20;
    spillFaults().refuseOpen = true;
    {
        TestCodec codec(20, &r);
        EXPECT_EQ(r, CodecOutOfMemory);
    }
    EXPECT_EQ(spillLog().opens, 1);
    // A live codec can be made again afterwards.
    allocPolicy() = AllocPolicy{};
    TestCodec codec(20, &r);
    EXPECT_EQ(r, CodecSuccess);
}

TEST_F(QuantumCodec, OutputRequestAboveTheMaximumChangesNothing) {
    const auto data = mixedData(70000, 2);
    const auto frames = compressFrames(data, 16);
    TestCodec codec(16);
    std::vector<uint8_t> out(40000);
    uint32_t size = 32769;
    EXPECT_EQ(kQuantumCodec.decompress(codec.handle(), frames[0].data(), uint32_t(frames[0].size()),
                                       out.data(), &size),
              CodecOutputTooLarge);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
    EXPECT_EQ(decoded, data);
}

TEST_F(QuantumCodec, ResetRestoresUniformModels) {
    const auto data = mixedData(100000, 3);
    const auto frames = compressFrames(data, 17);
    TestCodec codec(17);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
    ASSERT_NE(quantum::gQuantumDecoder.models[quantum::kSelectorModel].cumFreq[0], 7u);
    ASSERT_EQ(codec.reset(), CodecSuccess);
    const quantum::QuantumDecoder& d = quantum::gQuantumDecoder;
    EXPECT_EQ(d.streamPosition, 0u);
    for (const auto& m : d.models) {
        EXPECT_EQ(m.reorderCountdown, 4);
        for (int j = 0; j <= m.count; ++j) EXPECT_EQ(m.cumFreq[j], uint32_t(m.count - j));
        for (int j = 0; j < m.count; ++j) EXPECT_EQ(unsigned(m.symbol[j]), unsigned(j));
    }
}

TEST_F(QuantumCodec, BlockThatEndsBeforeTheCodeIsSettledFails) {
    const auto data = mixedData(50000, 4);
    auto frames = compressFrames(data, 16);
    // Every wanted byte may still come out, but the code wants bits past the block's end.
    frames.back().pop_back();
    TestCodec codec(16);
    std::vector<uint8_t> decoded;
    EXPECT_EQ(codec.decodeAll(frames, data, &decoded), CodecDataError);
    // Cut to two bytes: the input runs out mid-frame.
    frames.back().resize(2);
    ASSERT_EQ(codec.reset(), CodecSuccess);
    EXPECT_EQ(codec.decodeAll(frames, data, &decoded), CodecDataError);
    // Nothing at all: even the first 16 code bits are missing.
    uint8_t out[4];
    EXPECT_EQ(codec.decode({}, out, 0), CodecDataError);
}

TEST_F(QuantumCodec, MatchLongerThanTheBytesStillWantedWritesNothing) {
    StreamWriter w(12);
    w.literals({'a', 'b', 'c', 'd'});
    w.match(4, 4);
    const auto block = w.finishBlock();
    {
        TestCodec codec(12);
        uint8_t out[8];
        ASSERT_EQ(codec.decode(block, out, 8), CodecSuccess);
        EXPECT_EQ(std::memcmp(out, "abcdabcd", 8), 0);
    }
    TestCodec codec(12);
    uint8_t out[8];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(codec.decode(block, out, 7), CodecDataError);
    EXPECT_EQ(std::memcmp(out, "abcd\xEE\xEE\xEE\xEE", 8), 0);
}

TEST_F(QuantumCodec, BlockOfTheWholeInputBufferAndOneByteMore) {
    // Junk after the code is ignored; the decoder reads no byte past the block (the test copies
    // each block into memory of exactly its size).
    const auto data = mixedData(32768, 5);
    const auto block = compressFrames(data, 21)[0];
    for (size_t size : {size_t(43008), size_t(43009)}) {
        auto padded = block;
        padded.resize(size, 0xA5);
        TestCodec codec(21);
        std::vector<uint8_t> out(32768);
        ASSERT_EQ(codec.decode(padded, out.data(), 32768), CodecSuccess) << size;
        EXPECT_EQ(out, data);
    }
}

TEST_F(QuantumCodec, FrameEndsPastTheWindowEnd) {
    // Frames of 32768 bytes in a 1 KiB window: the frame's end lies 31 laps past the window's
    // end, and the last match ends exactly on both ends. Nothing may be computed from a frame
    // end in window positions.
    const unsigned bits = 10;
    StreamWriter w(bits);
    std::vector<uint8_t> expected;
    for (int k = 0; k < 1100; ++k) expected.push_back(uint8_t(k * 13 + (k >> 7)));
    w.literals(expected);
    while (expected.size() < 32768) {
        const uint32_t left = uint32_t(32768 - expected.size());
        // Never leave 1 to 4 bytes, which no long match could fill.
        const uint32_t length = left <= 259 ? left : (left - 259 < 5 ? left - 5 : 259);
        const uint32_t distance = 1024 - uint32_t(expected.size() % 7);
        w.match(length, distance);
        for (uint32_t k = 0; k < length; ++k)
            expected.push_back(expected[expected.size() - distance]);
    }
    ASSERT_EQ(expected.size() % 1024, 0u);
    auto first = w.finishBlock();
    // The next frame: one literal, coded at the restart's full range of 65,536.
    w.literal(0xFF);
    expected.push_back(0xFF);
    auto second = w.finishBlock();
    TestCodec codec(bits);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(codec.decodeAll({first, second}, expected, &decoded), CodecSuccess);
    EXPECT_EQ(decoded, expected);
}

TEST_F(QuantumCodec, AllZeroFramesAtTheTopOfTheCodeRange) {
    // Zero literals take the first entry of their models: high stays at 0xFFFF while low climbs.
    std::vector<uint8_t> data(32769, 0);
    for (unsigned bits : {10u, 21u}) {
        const auto frames = compressFrames(data, bits);
        TestCodec codec(bits);
        std::vector<uint8_t> decoded;
        ASSERT_EQ(codec.decodeAll(frames, data, &decoded), CodecSuccess);
        EXPECT_EQ(decoded, data);
    }
}

TEST_F(QuantumCodec, MatchBeforeTheFirstByteReadsTheFreshWindowAsZeros) {
    StreamWriter w(16);
    w.literals({1, 2, 3});
    w.match(40, 1000);  // reaches 997 bytes before the first byte
    const auto block = w.finishBlock();
    TestCodec codec(16);
    std::vector<uint8_t> out(43, 0xEE);
    ASSERT_EQ(codec.decode(block, out.data(), 43), CodecSuccess);
    std::vector<uint8_t> expected(43, 0);
    expected[0] = 1, expected[1] = 2, expected[2] = 3;
    EXPECT_EQ(out, expected);
}

TEST_F(QuantumCodec, MatchesReachTheWholeWindowAndRepeatOverlaps) {
    // Distance = window size (the byte about to be overwritten), length-3 matches at the
    // 4096-byte reach, overlapping runs, and a wrap of the window mid-match.
    const unsigned bits = 12;
    StreamWriter w(bits);
    std::vector<uint8_t> expected;
    for (int k = 0; k < 4096; ++k) expected.push_back(uint8_t(k * 7 + (k >> 8)));
    w.literals(expected);
    auto copy = [&](uint32_t length, uint32_t distance) {
        w.match(length, distance);
        for (uint32_t k = 0; k < length; ++k)
            expected.push_back(expected[expected.size() - distance]);
    };
    copy(259, 4096);
    copy(3, 4096);
    copy(4, 4000);
    copy(200, 1);
    copy(100, 3);
    const auto block = w.finishBlock();
    TestCodec codec(bits);
    std::vector<uint8_t> out(expected.size());
    ASSERT_EQ(codec.decode(block, out.data(), uint32_t(out.size())), CodecSuccess);
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace tamrix::quantum_test
