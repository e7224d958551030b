// How the engine selects, resets, releases and drives a codec, watched through a fake codec put in
// place of the real ones. The fake "decodes" by copying its input.
#include "cab/codec_selection.h"

#include <cstring>

#include "tests/cab/engine_harness.h"

namespace tamrix::test {
namespace {

constexpr uint32_t kFakeTag = 0x454B4146;  // "FAKE"

struct FakeHandle {
    uint32_t tag;
    FreeFn free;
};

struct FakeLog {
    int queries = 0, creates = 0, resets = 0, destroys = 0, decompresses = 0;
    uint32_t lastParams[2] = {0, 0};
    bool filesGiven = false;
    uint32_t sizeAsked = 0;
    bool slackZero = true;
    // Results to hand back (0 = success).
    CodecResult queryResult = CodecSuccess, createResult = CodecSuccess;
    CodecResult resetResult = CodecSuccess, destroyResult = CodecSuccess;
    CodecResult decompressResult = CodecSuccess;
    int32_t producedAdjust = 0;
    uint32_t inputSize = 32780;
};
FakeLog fake;
uint32_t fakeKind = 0;

CodecResult fakeCreate(uint32_t* maxOutput, const void* params, AllocFn alloc, FreeFn free,
                       uint32_t* inputSize, void** handle, const FileCallbacks* files) {
    EXPECT_EQ(*maxOutput, 32768u);
    if (params) std::memcpy(fake.lastParams, params, fakeKind == CodecLzx ? 4 : 8);
    fake.filesGiven = files != nullptr;
    *inputSize = fake.inputSize;
    if (!handle) {
        ++fake.queries;
        return fake.queryResult;
    }
    ++fake.creates;
    if (fake.createResult != CodecSuccess) return fake.createResult;
    auto* h = static_cast<FakeHandle*>(alloc(sizeof(FakeHandle)));
    h->tag = kFakeTag;
    h->free = free;
    *handle = h;
    return CodecSuccess;
}

CodecResult fakeDecompress(void* handle, const uint8_t* input, uint32_t count, uint8_t* output,
                           uint32_t* size) {
    EXPECT_EQ(static_cast<FakeHandle*>(handle)->tag, kFakeTag);
    ++fake.decompresses;
    fake.sizeAsked = *size;
    for (uint32_t i = 0; i < kCodecInputSlack; ++i) fake.slackZero &= input[count + i] == 0;
    if (fake.decompressResult != CodecSuccess) return fake.decompressResult;
    std::memcpy(output, input, count);
    *size = uint32_t(int32_t(count) + fake.producedAdjust);
    return CodecSuccess;
}

CodecResult fakeReset(void* handle) {
    EXPECT_EQ(static_cast<FakeHandle*>(handle)->tag, kFakeTag);
    ++fake.resets;
    return fake.resetResult;
}

CodecResult fakeDestroy(void* handle) {
    auto* h = static_cast<FakeHandle*>(handle);
    EXPECT_EQ(h->tag, kFakeTag);
    ++fake.destroys;
    if (fake.destroyResult != CodecSuccess) return fake.destroyResult;
    h->tag = 0;
    h->free(h);
    return CodecSuccess;
}

const CodecOps kFakeCodec = {fakeCreate, fakeDecompress, fakeReset, fakeDestroy};

class CodecTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        fake = FakeLog{};
        for (uint32_t kind = CodecMszip; kind <= CodecLzx; ++kind) {
            saved[kind] = replaceCodecOps(kind, &kFakeCodec);
        }
    }
    void TearDown() override {
        EngineTest::TearDown();
        for (uint32_t kind = CodecMszip; kind <= CodecLzx; ++kind) {
            replaceCodecOps(kind, saved[kind]);
        }
    }

    // One folder per type word, each with one file of its own, in folder order.
    void install(const std::vector<uint16_t>& typeWords, uint32_t size = 1000) {
        TestCabinet plan;
        for (size_t i = 0; i < typeWords.size(); ++i) {
            StoredLayout layout =
                layOutStored({{"f" + std::to_string(i), patternBytes(size, i)}}, uint16_t(i));
            layout.folder.typeWord = typeWords[i];
            plan.folders.push_back(layout.folder);
            plan.files.push_back(layout.files[0]);
        }
        addFile("x.cab", buildCabinet(plan));
    }

    const CodecOps* saved[4] = {};
};

TEST_F(CodecTest, SameTypeWordKeepsTheCodecAndResetsIt) {
    fakeKind = CodecLzx;
    install({0x1503, 0x1503});
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(written("f1"), patternBytes(1000, 1));
    EXPECT_EQ(fake.queries, 1);
    EXPECT_EQ(fake.creates, 1);
    EXPECT_EQ(fake.resets, 1);  // at the change to the second folder
    EXPECT_EQ(fake.destroys, 0);
    EXPECT_EQ(fake.lastParams[0], 1u << 21);
    EXPECT_TRUE(fake.filesGiven);
    EXPECT_EQ(fake.sizeAsked, 1000u);  // LZX is asked for the exact size
    EXPECT_TRUE(fake.slackZero);
    destroyDecoder(decoder);
    decoder = nullptr;
    EXPECT_EQ(fake.destroys, 1);
}

TEST_F(CodecTest, AnyDifferenceInTheTypeWordRecreatesTheCodec) {
    fakeKind = CodecLzx;
    install({0x1503, 0x1003});
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(fake.creates, 2);
    EXPECT_EQ(fake.destroys, 1);
    EXPECT_EQ(fake.lastParams[0], 1u << 16);

    fake = FakeLog{};
    fakeKind = CodecMszip;
    install({0x0001, 0xE001});
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(fake.creates, 2);
    EXPECT_FALSE(fake.filesGiven);      // MSZIP gets only alloc and free
    EXPECT_EQ(fake.sizeAsked, 32768u);  // and the whole output size as the bound
}

TEST_F(CodecTest, QuantumGetsWindowBitsAndCpuType) {
    fakeKind = CodecQuantum;
    install({0x1572});
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(fake.lastParams[0], 21u);
    EXPECT_EQ(int32_t(fake.lastParams[1]), -1);
    EXPECT_TRUE(fake.filesGiven);
}

TEST_F(CodecTest, QueryFailureAllocatesNothing) {
    install({0x0902});
    fake.queryResult = CodecBadParameter;
    const uint64_t before = world().allocations;
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CodecFailed);
    EXPECT_EQ(fake.creates, 0);
    EXPECT_EQ(world().allocations - before, 2u);  // the layout buffers only
}

TEST_F(CodecTest, CreateResultsMapToDecoderErrors) {
    install({0x0001});
    fake.createResult = CodecOutOfMemory;
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, OutOfMemory);
    fake.createResult = CodecBadParameter;
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CodecFailed);
    EXPECT_EQ(world().liveAllocationCount(), 3u);  // buffers freed: context and layout remain
    fake.createResult = CodecSuccess;
    EXPECT_TRUE(copy("x.cab"));
}

TEST_F(CodecTest, OutputBufferFailureLeavesNoCodec) {
    install({0x0001});
    world().failAllocationsOfSize = 32768;  // the output buffer
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, OutOfMemory);
    EXPECT_EQ(fake.creates, 0);
    // The input buffer was given back at once: only the context and layout remain.
    EXPECT_EQ(world().liveAllocationCount(), 3u);
    world().failAllocationsOfSize = 0;
    EXPECT_TRUE(copy("x.cab"));
    EXPECT_EQ(written("f0"), patternBytes(1000, 0));
}

TEST_F(CodecTest, DecodingFailures) {
    install({0x0001, 0x0001});
    fake.decompressResult = CodecDataError;
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CodecFailed);

    fake.decompressResult = CodecSuccess;
    fake.producedAdjust = -1;  // one byte short of uncompressedSize
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CodecFailed);

    fake.producedAdjust = 0;
    fake.resetResult = CodecBadHandle;
    EXPECT_FALSE(copy("x.cab"));  // the copy resets before opening the first folder
    EXPECT_EQ(error.code, CodecFailed);
}

TEST_F(CodecTest, BlocksLargerThanTheAnnouncedInputAreCorrupt) {
    fake.inputSize = 500;
    install({0x0001}, 501);
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);
}

TEST_F(CodecTest, ChangingFromStoredToCodecAndBack) {
    install({0x0000, 0x0001, 0x0000});
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(fake.creates, 1);
    EXPECT_EQ(fake.destroys, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(written("f" + std::to_string(i)), patternBytes(1000, i));
}

TEST_F(CodecTest, InvalidKindAfterACodecLeavesNoCodec) {
    install({0x0001, 0x0005});
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CodecInvalid);
    EXPECT_EQ(fake.destroys, 1);  // released before the invalid kind was refused
    EXPECT_EQ(world().liveAllocationCount(), 3u);
}

TEST_F(CodecTest, RefusedDestroyKeepsTheBuffers) {
    install({0x0001, 0x0003});
    fake.destroyResult = CodecBadHandle;
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CodecFailed);
    EXPECT_EQ(fake.creates, 1);
    // destroyDecoder records the failure again, frees the rest and leaves the codec's memory.
    destroyDecoder(decoder);
    decoder = nullptr;
    EXPECT_EQ(world().liveAllocationCount(), 3u);  // input, output, codec handle
    resetWorld();                                  // frees them so the fixture's leak check passes
}

}  // namespace
}  // namespace tamrix::test
