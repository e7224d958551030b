// The codec operations: create (query and real), the handle tag, sizes, reset, and windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "codecs/lzx/lzx_decoder_state.h"
#include "tests/lzx/lzx_test_util.h"

namespace tamrix {
namespace {

// Counting allocator that can be told to fail its n-th request.
int gAllocs = 0;
int gFrees = 0;
int gFailAt = -1;
void* countingAlloc(uint32_t size) {
    if (gAllocs++ == gFailAt) return nullptr;
    return std::malloc(size);
}
void countingFree(void* p) {
    ++gFrees;
    std::free(p);
}

class LzxCodecOps : public testing::Test {
  protected:
    void SetUp() override { gAllocs = gFrees = 0, gFailAt = -1; }
    CodecResult create(uint32_t windowSize, void** handle, uint32_t* maxOutput = nullptr) {
        uint32_t max = kCodecOutputSize, inputSize = 0;
        LzxParams params{windowSize};
        return kLzxCodec.create(maxOutput ? maxOutput : &max, &params, countingAlloc, countingFree,
                                &inputSize, handle, nullptr);
    }
};

TEST_F(LzxCodecOps, QueryAnnouncesTheInputSizeAndAllocatesNothing) {
    uint32_t max = kCodecOutputSize, inputSize = 0;
    EXPECT_EQ(kLzxCodec.create(&max, nullptr, nullptr, nullptr, &inputSize, nullptr, nullptr),
              CodecSuccess);
    EXPECT_EQ(inputSize, 38912u);
    EXPECT_EQ(gAllocs, 0);
}

TEST_F(LzxCodecOps, MaximumOutputIsKeptWithinOneFrame) {
    for (uint32_t asked : {0u, 65536u, 32768u}) {
        uint32_t max = asked, inputSize = 0;
        kLzxCodec.create(&max, nullptr, nullptr, nullptr, &inputSize, nullptr, nullptr);
        EXPECT_EQ(max, 32768u);
        EXPECT_EQ(inputSize, 38912u);
    }
}

TEST_F(LzxCodecOps, WindowsOutsideTheFormatAreRefusedWithNothingAllocated) {
    for (uint32_t window : {0u, 1u << 14, 1u << 22, 1u << 31, 3u << 15, 100000u}) {
        void* handle = reinterpret_cast<void*>(1);
        EXPECT_EQ(create(window, &handle), CodecOutOfMemory) << window;
        EXPECT_EQ(handle, nullptr);
    }
    EXPECT_EQ(gAllocs, gFrees);
}

TEST_F(LzxCodecOps, EveryWindowGetsItsSlotCount) {
    const uint32_t slots[] = {30, 32, 34, 36, 38, 42, 50};
    for (uint32_t bits = 15; bits <= 21; ++bits) {
        void* handle = nullptr;
        ASSERT_EQ(create(1u << bits, &handle), CodecSuccess);
        const auto* h = static_cast<lzx::LzxHandle*>(handle);
        EXPECT_EQ(h->tag, kLzxTag);
        EXPECT_EQ(h->decoder->positionSlots, slots[bits - 15]);
        EXPECT_EQ(lzx::mainSymbolCount(*h->decoder), 256 + 8 * slots[bits - 15]);
        EXPECT_EQ(kLzxCodec.destroy(handle), CodecSuccess);
    }
    EXPECT_EQ(gAllocs, gFrees);
}

TEST_F(LzxCodecOps, AllocationFailuresLeaveNothingBehind) {
    for (int failAt = 0; failAt < 3; ++failAt) {
        gAllocs = gFrees = 0;
        gFailAt = failAt;
        void* handle = reinterpret_cast<void*>(1);
        EXPECT_EQ(create(1u << 21, &handle), CodecOutOfMemory);
        EXPECT_EQ(handle, nullptr);
        EXPECT_EQ(gAllocs - 1, gFrees);  // the failed request allocated nothing
    }
}

TEST_F(LzxCodecOps, WrongTagIsRefusedByEveryOperation) {
    lzx::LzxHandle fake{};
    fake.tag = kMszipTag;
    uint8_t in[32] = {}, out[32];
    uint32_t size = 10;
    EXPECT_EQ(kLzxCodec.decompress(&fake, in, 16, out, &size), CodecBadHandle);
    EXPECT_EQ(kLzxCodec.reset(&fake), CodecBadHandle);
    EXPECT_EQ(kLzxCodec.destroy(&fake), CodecBadHandle);
    EXPECT_EQ(kLzxCodec.reset(nullptr), CodecBadHandle);
}

TEST_F(LzxCodecOps, BlockClaimingMoreThanAFrameIsRefusedBeforeAnyChange) {
    // Regression class: a data block whose uncompressed size exceeds 32,768 bytes.
    const auto data = lzx_test::makeText(40000, 3);
    LzxEncoder encoder(15, false);
    const auto blocks = lzx_test::compressFolder(encoder, data);
    lzx_test::Decoder d(1u << 15);
    std::vector<uint8_t> out;
    EXPECT_EQ(d.decode(blocks[0], 32769, &out), CodecOutputTooLarge);
    EXPECT_EQ(d.decode(blocks[0], 0xFFFFFFFF, &out), CodecOutputTooLarge);
    // Nothing moved: the folder still decodes from its start.
    const auto back = lzx_test::decompressFolder(d, blocks, uint32_t(data.size()));
    EXPECT_TRUE(back == data);
}

TEST_F(LzxCodecOps, ResetStartsAFolderOverAndKeepsTheWindow) {
    const auto a = lzx_test::makeMixed(100000, 1);
    const auto b = lzx_test::makeMixed(70000, 2);
    LzxEncoder first(16, true), second(16, true);
    const auto blocksA = lzx_test::compressFolder(first, a);
    const auto blocksB = lzx_test::compressFolder(second, b);
    lzx_test::Decoder d(1u << 16);
    EXPECT_TRUE(lzx_test::decompressFolder(d, blocksA, uint32_t(a.size())) == a);
    ASSERT_EQ(d.reset(), CodecSuccess);
    EXPECT_TRUE(lzx_test::decompressFolder(d, blocksB, uint32_t(b.size())) == b);
}

TEST_F(LzxCodecOps, StreamForAnotherWindowFailsCleanlyAndANewWindowWorks) {
    // Regression class: a folder continued in a cabinet that declares another window. The engine
    // then creates a new codec; a codec never runs a stream with the wrong window unsafely.
    const auto data = lzx_test::makeMixed(3u << 20, 4);
    LzxEncoder encoder(21, true);
    const auto blocks = lzx_test::compressFolder(encoder, data);
    lzx_test::Decoder narrow(1u << 15);
    int failedAt = 0;
    const auto wrong = lzx_test::decompressFolder(narrow, blocks, uint32_t(data.size()), &failedAt);
    EXPECT_TRUE(wrong != data);
    lzx_test::Decoder wide(1u << 21);
    EXPECT_TRUE(lzx_test::decompressFolder(wide, blocks, uint32_t(data.size())) == data);
}

TEST_F(LzxCodecOps, ShortFramesInMidFolderAreSplitAtTheWindowsEnd) {
    // Odd frames of 20,001 bytes do not divide the window: calls cross its end, and each odd
    // uncompressed block leaves its pad byte at the start of the next data block.
    const auto data = lzx_test::makeRandom(200010, 8);
    LzxEncoder encoder(15, false);
    encoder.setBlockChoice(LzxEncoder::BlockChoice::Uncompressed);
    lzx_test::Decoder d(1u << 15);
    std::vector<uint8_t> out, all;
    for (size_t at = 0; at < data.size(); at += 20001) {
        const auto block = encoder.encodeFrame(data.data() + at, 20001);
        ASSERT_EQ(d.decode(block, 20001, &out), CodecSuccess) << at;
        all.insert(all.end(), out.begin(), out.end());
    }
    EXPECT_TRUE(all == data);
}

TEST(LzxEncoderApi, RefusesWindowsAndFramesOutsideTheFormat) {
    EXPECT_THROW(LzxEncoder(14), std::invalid_argument);
    EXPECT_THROW(LzxEncoder(22), std::invalid_argument);
    LzxEncoder encoder(15);
    std::vector<uint8_t> big(32769);
    EXPECT_THROW(encoder.encodeFrame(big.data(), 32769), std::invalid_argument);
    EXPECT_TRUE(encoder.encodeFrame(big.data(), 0).empty());
}

}  // namespace
}  // namespace tamrix
