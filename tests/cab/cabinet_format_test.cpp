// Reading the cabinet structures: header, reserves, names, checksums, limits, and the errors
// each broken variant raises.
#include "cab/block_checksum.h"
#include "tests/cab/engine_harness.h"

namespace tamrix::test {
namespace {

TestCabinet oneFile(const Bytes& data, const std::string& name = "f") {
    StoredLayout layout = layOutStored({{name, data}});
    TestCabinet plan;
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    return plan;
}

TEST(BlockChecksum, MatchesTheWordByWordDefinition) {
    const uint8_t abc[] = {0x61, 0x62, 0x63, 0x64, 0x65};
    EXPECT_EQ(blockChecksum(abc, 3, 0), 0x00616263u);
    EXPECT_EQ(blockChecksum(abc, 5, 0), 0x64636204u);
    // Every length and alignment against the builder's own word-by-word version.
    Bytes data = patternBytes(100, 7);
    for (uint32_t start = 0; start < 8; ++start) {
        for (uint32_t count = 0; count + start <= data.size(); ++count) {
            ASSERT_EQ(blockChecksum(data.data() + start, count, 0x12345678u),
                      referenceChecksum(data.data() + start, count, 0x12345678u))
                << start << " " << count;
        }
    }
}

TEST_F(EngineTest, ReserveAreasAreSkippedAndHandedToTheHook) {
    Bytes data = patternBytes(40000, 3);
    TestCabinet plan = oneFile(data);
    plan.reservePresent = true;
    plan.headerReserve = patternBytes(8, 1);
    plan.folderReserveSize = 3;
    plan.dataReserveSize = 16;
    plan.folders[0].reserve = {1, 2, 3};
    for (auto& block : plan.folders[0].blocks) block.reserve = patternBytes(16, 9);
    addFile("x.cab", buildCabinet(plan));
    static std::vector<DataHookRecord> seen;
    static std::vector<Bytes> areas;
    seen.clear();
    areas.clear();
    DataHook hook = [](DataHookRecord* record) -> int32_t {
        seen.push_back(*record);
        areas.emplace_back(record->reserve, record->reserve + record->reserveSize);
        return 0;
    };
    ASSERT_TRUE(copy("x.cab", "", hook));
    EXPECT_EQ(written("f"), data);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(areas[0], plan.headerReserve);
    EXPECT_EQ(seen[0].setId, plan.setId);
    EXPECT_EQ(areas[1], (Bytes{1, 2, 3}));
    EXPECT_EQ(seen[1].folderIndex, 0);
    EXPECT_EQ(areas[2], patternBytes(16, 9));
}

TEST_F(EngineTest, ReserveFlagWithZeroSizesReadsOnlyTheRecord) {
    Bytes data = patternBytes(100, 3);
    TestCabinet plan = oneFile(data);
    plan.reservePresent = true;
    plan.previousCabinet = "a.cab";
    plan.nextCabinet = "c.cab";
    plan.extraFlags = 0xFFF8;  // unknown flag bits are ignored
    plan.reservedFieldValue = 0xDEADBEEF;
    addFile("x.cab", buildCabinet(plan));
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(written("f"), data);
    EXPECT_EQ(events[0].name, "c.cab");
}

TEST_F(EngineTest, NameLimits) {
    const std::string longest(255, 'n');
    addFile("ok.cab", buildCabinet(oneFile(Bytes(4, 1), longest)));
    ASSERT_TRUE(copy("ok.cab"));
    EXPECT_EQ(written(longest), Bytes(4, 1));

    addFile("long.cab", buildCabinet(oneFile(Bytes(4, 1), std::string(256, 'n'))));
    EXPECT_FALSE(copy("long.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);

    // The file ends inside a name: a short read without a NUL.
    TestCabinet cut;
    TestFile unterminated;
    unterminated.name = "abc";
    unterminated.terminateName = false;
    cut.files.push_back(unterminated);
    addFile("cut.cab", buildCabinet(cut));
    error = {};
    EXPECT_FALSE(copy("cut.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);

    TestCabinet next = oneFile(Bytes(4, 1));
    next.nextCabinet = std::string(256, 'c');
    addFile("next.cab", buildCabinet(next));
    error = {};
    EXPECT_FALSE(copy("next.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);
}

TEST_F(EngineTest, Checksums) {
    Bytes data = patternBytes(5001, 4);
    TestCabinet none = oneFile(data);
    none.folders[0].blocks[0].withChecksum = false;
    addFile("none.cab", buildCabinet(none));
    ASSERT_TRUE(copy("none.cab"));

    TestCabinet flipped = oneFile(data);
    Bytes cabinet = buildCabinet(flipped);
    cabinet[cabinet.size() - 100] ^= 0x01;  // a data byte after the checksum was computed
    addFile("flipped.cab", cabinet);
    EXPECT_FALSE(copy("flipped.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);

    // The checksum covers the data reserve too.
    TestCabinet reserved = oneFile(data);
    reserved.reservePresent = true;
    reserved.dataReserveSize = 4;
    reserved.folders[0].blocks[0].reserve = {1, 2, 3, 4};
    Bytes withReserve = buildCabinet(reserved);
    addFile("reserved.cab", withReserve);
    destroyDecoder(decoder);
    decoder = createDecoder(memoryCallbacks(), -1, &error);
    ASSERT_TRUE(copy("reserved.cab"));
    withReserve[withReserve.size() - data.size() - 2] ^= 0x80;
    addFile("reserved.cab", withReserve);
    EXPECT_FALSE(copy("reserved.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);
}

TEST_F(EngineTest, HeaderErrors) {
    Bytes good = buildCabinet(oneFile(Bytes(10, 1)));
    addFile("short.cab", Bytes(good.begin(), good.begin() + 35));
    EXPECT_FALSE(copy("short.cab"));
    EXPECT_EQ(error.code, CabinetHeaderInvalid);

    TestCabinet signature = oneFile(Bytes(10, 1));
    signature.signature = 0x5A43534D;  // "MSCZ"
    addFile("sig.cab", buildCabinet(signature));
    EXPECT_FALSE(copy("sig.cab"));
    EXPECT_EQ(error.code, CabinetHeaderInvalid);

    TestCabinet version = oneFile(Bytes(10, 1));
    version.version = 0x0102;
    addFile("ver.cab", buildCabinet(version));
    EXPECT_FALSE(copy("ver.cab"));
    EXPECT_EQ(error.code, CabinetVersionUnsupported);
    EXPECT_EQ(error.detail, 0x0102);

    TestCabinet reserve = oneFile(Bytes(10, 1));
    reserve.reservePresent = true;
    Bytes record = buildCabinet(reserve);
    addFile("record.cab", Bytes(record.begin(), record.begin() + 38));
    EXPECT_FALSE(copy("record.cab"));
    EXPECT_EQ(error.code, CabinetHeaderInvalid);
    EXPECT_EQ(error.detail, 0);

    TestCabinet area = oneFile(Bytes(10, 1));
    area.reservePresent = true;
    area.headerReserveSizeOverride = 3000;
    addFile("area.cab", buildCabinet(area));
    destroyDecoder(decoder);  // the per-cabinet reserve size is learned once per context
    decoder = createDecoder(memoryCallbacks(), -1, &error);
    EXPECT_FALSE(copy("area.cab"));
    EXPECT_EQ(error.code, CabinetHeaderInvalid);

    EXPECT_FALSE(copy("absent.cab"));
    EXPECT_EQ(error.code, CabinetOpenFailed);
}

TEST_F(EngineTest, DataErrors) {
    Bytes data = patternBytes(20000, 5);
    Bytes cabinet = buildCabinet(oneFile(data));
    addFile("trunc.cab", Bytes(cabinet.begin(), cabinet.end() - 10));
    EXPECT_FALSE(copy("trunc.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);

    addFile("table.cab", Bytes(cabinet.begin(), cabinet.begin() + 50));
    EXPECT_FALSE(copy("table.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);

    TestCabinet beyond = oneFile(data);
    beyond.files[0].folderIndex = 1;  // only folder 0 exists
    addFile("beyond.cab", buildCabinet(beyond));
    EXPECT_FALSE(copy("beyond.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);

    TestCabinet large;
    TestFolder folder;
    TestBlock block;
    block.data = patternBytes(32769, 1);
    block.uncompressedSize = 32768;
    folder.blocks.push_back(block);
    large.folders.push_back(folder);
    TestFile file;
    file.name = "f";
    file.size = 10;
    large.files.push_back(file);
    addFile("large.cab", buildCabinet(large));
    EXPECT_FALSE(copy("large.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);

    TestCabinet mismatch = oneFile(Bytes(100, 7));
    mismatch.folders[0].blocks[0].uncompressedSize = 99;
    addFile("mismatch.cab", buildCabinet(mismatch));
    EXPECT_FALSE(copy("mismatch.cab"));
    EXPECT_EQ(error.code, CodecFailed);

    TestCabinet exact = oneFile(Bytes(100, 7));
    addFile("exact.cab", buildCabinet(exact));
    EXPECT_TRUE(copy("exact.cab"));
}

TEST_F(EngineTest, CodecKinds) {
    TestCabinet invalid = oneFile(Bytes(10, 1));
    invalid.folders[0].typeWord = 0x0005;
    addFile("k5.cab", buildCabinet(invalid));
    EXPECT_FALSE(copy("k5.cab"));
    EXPECT_EQ(error.code, CodecInvalid);

    invalid.folders[0].typeWord = 0x000F;  // equals the engine's own no-codec word
    addFile("k15.cab", buildCabinet(invalid));
    EXPECT_FALSE(copy("k15.cab"));
    EXPECT_EQ(error.code, CodecInvalid);

    // Stored ignores the upper bits of the type word.
    TestCabinet upper = oneFile(Bytes(10, 2));
    upper.folders[0].typeWord = 0xFFF0;
    addFile("upper.cab", buildCabinet(upper));
    EXPECT_TRUE(copy("upper.cab"));
    EXPECT_EQ(written("f"), Bytes(10, 2));
}

TEST_F(EngineTest, PathsLongerThanTheirBuffersAreRefused) {
    addFile("x.cab", buildCabinet(oneFile(Bytes(10, 1))));
    EXPECT_FALSE(copy("x.cab", std::string(257, 'p')));
    EXPECT_EQ(error.code, CabinetOpenFailed);
    error = {};
    EXPECT_FALSE(copy(std::string(200, 'n'), std::string(60, 'p')));
    EXPECT_EQ(error.code, CabinetOpenFailed);
    EXPECT_TRUE(world().opened.empty());
}

TEST_F(EngineTest, EveryAllocationFailureIsCleanedUp) {
    Bytes data = patternBytes(50000, 6);
    TestCabinet plan = oneFile(data);
    plan.reservePresent = true;
    plan.headerReserve = Bytes(8, 1);
    addFile("x.cab", buildCabinet(plan));
    for (uint64_t failAt = 1; failAt <= 8; ++failAt) {
        if (decoder) destroyDecoder(decoder);
        world().written.clear();
        world().allocations = 0;
        world().failAllocation = failAt;
        error = {};
        decoder = createDecoder(memoryCallbacks(), -1, &error);
        if (!decoder) {
            EXPECT_EQ(error.code, OutOfMemory);
            EXPECT_EQ(error.failed, 1);
            continue;
        }
        bool ok = copy("x.cab");
        if (!ok) {
            EXPECT_EQ(error.code, OutOfMemory) << failAt;
        }
        EXPECT_EQ(world().liveHandleCount(), 0u);
        if (ok) {
            EXPECT_EQ(written("f"), data);
        }
    }
    world().failAllocation = 0;
    decoder = decoder ? decoder : createDecoder(memoryCallbacks(), -1, &error);
}

TEST_F(EngineTest, CompressedKindsOverStoredBytesFailCleanly) {
    TestCabinet plan = oneFile(Bytes(10, 1));
    for (uint16_t type : {0x0001, 0x1503, 0x0F02}) {
        plan.folders[0].typeWord = type;
        addFile("c.cab", buildCabinet(plan));
        error = {};
        bool ok = copy("c.cab");
        if (!ok) {
            EXPECT_TRUE(error.code == CodecFailed || error.code == CabinetDataCorrupt);
        }
    }
}

}  // namespace
}  // namespace tamrix::test
