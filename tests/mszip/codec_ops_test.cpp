// The codec's operations as the engine calls them: sizes, handles, results.
#include <gtest/gtest.h>

#include <cstring>

#include "bit_writer.h"
#include "mszip_harness.h"

namespace tamrix::mszip::test {
namespace {

int allocations = 0;
int allocationsUntilFailure = -1;  // -1: never fail
void* countingAlloc(uint32_t size) {
    if (allocationsUntilFailure >= 0 && allocationsUntilFailure-- == 0) return nullptr;
    ++allocations;
    return std::malloc(size);
}
void countingFree(void* block) {
    --allocations;
    std::free(block);
}

CodecResult create(uint32_t* maxOutput, uint32_t* inputSize, void** handle) {
    return kMszipCodec.create(maxOutput, nullptr, countingAlloc, countingFree, inputSize, handle,
                              nullptr);
}

TEST(MszipCodecOps, QueryNormalisesTheMaximumAndAllocatesNothing) {
    for (auto [asked, kept] : {std::pair{0u, 32768u}, {40000u, 32768u}, {1000u, 1000u}}) {
        uint32_t maxOutput = asked;
        uint32_t inputSize = 0;
        EXPECT_EQ(create(&maxOutput, &inputSize, nullptr), CodecSuccess);
        EXPECT_EQ(maxOutput, kept);
        EXPECT_EQ(inputSize, kept + 12);
    }
    EXPECT_EQ(allocations, 0);
}

TEST(MszipCodecOps, FailedAllocationsLeaveNothingBehind) {
    for (int failAt : {0, 1}) {
        allocationsUntilFailure = failAt;
        uint32_t maxOutput = 32768, inputSize = 0;
        void* handle = reinterpret_cast<void*>(1);
        EXPECT_EQ(create(&maxOutput, &inputSize, &handle), CodecOutOfMemory);
        EXPECT_EQ(handle, nullptr);
        EXPECT_EQ(allocations, 0);
    }
    allocationsUntilFailure = -1;
}

TEST(MszipCodecOps, DestroyFreesEverythingAndOnlyLiveHandlesAreAccepted) {
    uint32_t maxOutput = 32768, inputSize = 0;
    void* handle = nullptr;
    ASSERT_EQ(create(&maxOutput, &inputSize, &handle), CodecSuccess);
    EXPECT_EQ(std::memcmp(handle, "MDIC", 4), 0);
    EXPECT_EQ(kMszipCodec.reset(handle), CodecSuccess);
    EXPECT_EQ(kMszipCodec.destroy(handle), CodecSuccess);
    EXPECT_EQ(allocations, 0);

    uint32_t notAHandle[16] = {0x43494451};  // "QDIC": another codec's tag
    uint8_t out[16];
    uint32_t size = sizeof out;
    for (void* h : {static_cast<void*>(notAHandle), static_cast<void*>(nullptr)}) {
        EXPECT_EQ(kMszipCodec.decompress(h, out, 0, out, &size), CodecBadHandle);
        EXPECT_EQ(kMszipCodec.reset(h), CodecBadHandle);
        EXPECT_EQ(kMszipCodec.destroy(h), CodecBadHandle);
    }
}

TEST(MszipCodecOps, OversizedInputIsRefusedBeforeDecoding) {
    MszipDecoder decoder;
    uint32_t produced;
    std::vector<uint8_t> junk(32781, 0xFF);
    EXPECT_EQ(decoder.decode(junk, &produced), CodecOutputTooLarge);
    junk.resize(32780);
    EXPECT_EQ(decoder.decode(junk, &produced), CodecDataError);
}

TEST(MszipCodecOps, BlocksMustStartWithTheSignature) {
    BitWriter w;
    w.stored(true, {1, 2, 3});
    std::vector<uint8_t> block = w.block();
    MszipDecoder decoder;
    uint32_t produced;
    EXPECT_EQ(decoder.decode(block, &produced), CodecSuccess);
    block[1] = 'Q';
    EXPECT_EQ(decoder.decode(block, &produced), CodecDataError);
    EXPECT_EQ(decoder.decode({'C'}, &produced), CodecDataError);
    EXPECT_EQ(decoder.decode({}, &produced), CodecDataError);
}

TEST(MszipCodecOps, OutputIsBoundedByTheSizeAskedAndTheMaximum) {
    BitWriter w;  // 'a', then a run far longer than any limit used here
    w.header(true, 1);
    w.fixedSymbol('a');
    for (int i = 0; i < 10; ++i) w.fixedMatch(258, 1);
    w.fixedSymbol(256);
    uint32_t produced;
    MszipDecoder decoder;
    EXPECT_EQ(decoder.decode(w.block(), &produced, 0), CodecSuccess);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(decoder.decode(w.block(), &produced, 77), CodecSuccess);
    EXPECT_EQ(produced, 77u);
    MszipDecoder small(100);
    EXPECT_EQ(small.decode(w.block(), &produced), CodecSuccess);
    EXPECT_EQ(produced, 100u);
    EXPECT_EQ(small.output()[99], 'a');
}

}  // namespace
}  // namespace tamrix::mszip::test
