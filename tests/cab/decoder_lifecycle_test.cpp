// Creating and destroying decoder contexts, and what the error record keeps.
#include "tests/cab/engine_harness.h"

namespace tamrix::test {
namespace {

TEST_F(EngineTest, CreateFailsCleanlyWithoutMemory) {
    destroyDecoder(decoder);
    world().failAllocation = world().allocations + 1;
    DecoderErrorRecord record{};
    EXPECT_EQ(createDecoder(memoryCallbacks(), -1, &record), nullptr);
    EXPECT_EQ(record.code, OutOfMemory);
    EXPECT_EQ(record.detail, 0);
    EXPECT_EQ(record.failed, 1);
    world().failAllocation = 0;
    decoder = nullptr;
}

TEST_F(EngineTest, DestroyRightAfterCreateFreesOnlyTheContext) {
    const uint64_t freesBefore = world().frees;
    destroyDecoder(decoder);
    decoder = nullptr;
    EXPECT_EQ(world().frees - freesBefore, 1u);
    EXPECT_TRUE(world().opened.empty());
}

TEST_F(EngineTest, FailedCopyThenDestroyFreesEverythingOnce) {
    StoredLayout layout = layOutStored({{"f", patternBytes(50000, 1)}});
    TestCabinet plan;
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    plan.folders[0].blocks[1].checksumXor = 1;
    addFile("x.cab", buildCabinet(plan));
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);
    EXPECT_EQ(world().liveHandleCount(), 0u);
    // TearDown destroys the decoder and checks for leaks and double frees.
}

TEST_F(EngineTest, ErrorRecordKeepsAnEarlierErrorAfterSuccess) {
    StoredLayout layout = layOutStored({{"f", Bytes(10, 1)}});
    TestCabinet plan;
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    addFile("x.cab", buildCabinet(plan));
    EXPECT_FALSE(copy("missing.cab"));
    EXPECT_TRUE(copy("x.cab"));
    EXPECT_EQ(error.code, CabinetOpenFailed);
    EXPECT_EQ(error.failed, 1);
}

TEST_F(EngineTest, ContextServesSeveralCopies) {
    StoredLayout a = layOutStored({{"a", patternBytes(40000, 1)}});
    StoredLayout b = layOutStored({{"b", patternBytes(100, 2)}});
    TestCabinet one, two;
    one.folders.push_back(a.folder);
    one.files = a.files;
    two.folders.push_back(b.folder);
    two.files = b.files;
    addFile("a.cab", buildCabinet(one));
    addFile("b.cab", buildCabinet(two));
    ASSERT_TRUE(copy("a.cab"));
    ASSERT_TRUE(copy("b.cab"));
    ASSERT_TRUE(copy("a.cab"));
    EXPECT_EQ(written("b"), patternBytes(100, 2));
    Bytes twice = patternBytes(40000, 1);
    twice.insert(twice.end(), twice.begin(), twice.end());
    EXPECT_EQ(written("a"), twice);
}

TEST(DecoderErrorNames, MatchTheCodes) {
    EXPECT_STREQ(decoderErrorName(Ok), "Ok");
    EXPECT_STREQ(decoderErrorName(CabinetDataCorrupt), "CabinetDataCorrupt");
    EXPECT_STREQ(decoderErrorName(Aborted), "Aborted");
    EXPECT_STREQ(decoderErrorName(12), "Unknown");
    EXPECT_STREQ(decoderErrorName(-1), "Unknown");
}

}  // namespace
}  // namespace tamrix::test
