// Cabinet sets: files continued across cabinets, split blocks, clean cuts, skipped files in
// flight, and next cabinets that cannot be logged in.
#include <cstring>

#include "tests/cab/engine_harness.h"

namespace tamrix::test {
namespace {

TestFile entry(const std::string& name, uint32_t offset, uint32_t size, uint16_t folderIndex) {
    TestFile file;
    file.name = name;
    file.folderOffset = offset;
    file.size = size;
    file.folderIndex = folderIndex;
    return file;
}

Bytes slice(const Bytes& data, size_t from, size_t to) {
    return Bytes(data.begin() + long(from), data.begin() + long(to));
}

class SetTest : public EngineTest {
  public:
    // Two cabinets: folder 0 holds "a" (0..1000) and "span" (1000..50000) and is cut at stream
    // offset 40000, inside its second block; cabinet 2 also starts folder 1 with "c".
    void buildSplitSet() {
        stream = patternBytes(50000, 1);
        cData = patternBytes(3000, 2);
        std::vector<TestBlock> blocks = storedBlocks(stream);
        auto [first, second] = splitBlock(blocks[1], 40000 - 32768);
        one.nextCabinet = "two.cab";
        one.nextDisk = "Disk 2";
        one.folders.push_back(folderOf({blocks[0], first}));
        one.files = {entry("a", 0, 1000, 0), entry("span", 1000, 49000, 0xFFFE)};
        two.cabinetIndex = 1;
        two.previousCabinet = "one.cab";
        two.previousDisk = "Disk 1";
        two.folders.push_back(folderOf({second}));
        TestFolder fresh;
        fresh.blocks = storedBlocks(cData);
        two.folders.push_back(fresh);
        two.files = {entry("span", 1000, 49000, 0xFFFD), entry("c", 0, 3000, 1)};
    }
    void install() {
        addFile("one.cab", buildCabinet(one));
        addFile("two.cab", buildCabinet(two));
    }

    Bytes stream, cData;
    TestCabinet one, two;
};

TEST_F(SetTest, SplitBlockInsideASpanningFile) {
    buildSplitSet();
    install();
    ASSERT_TRUE(copy("one.cab"));
    EXPECT_EQ(written("a"), slice(stream, 0, 1000));
    EXPECT_EQ(written("span"), slice(stream, 1000, 50000));
    EXPECT_EQ(world().written.count("c"), 0u);  // it belongs to the copy of two.cab
    EXPECT_EQ(kinds(),
              (std::vector<std::string>{"CabinetOpened", "FileListCheckpoint 2", "FileBegin a",
                                        "FileEnd a", "FileBegin span", "CabinetNeeded",
                                        "CabinetOpened", "FileEnd span", "FileListCheckpoint 0"}));
    const Event& needed = events[5];
    EXPECT_EQ(needed.name, "two.cab");
    EXPECT_EQ(needed.name2, "Disk 2");
    EXPECT_EQ(needed.record.cabinetIndex, 1);
    EXPECT_EQ(needed.record.setId, one.setId);
    EXPECT_EQ(needed.record.error, Ok);

    ASSERT_TRUE(copy("two.cab"));
    EXPECT_EQ(count(FileContinued), 1u);
    EXPECT_EQ(written("c"), cData);
    EXPECT_EQ(written("span"), slice(stream, 1000, 50000));  // not written twice
}

TEST_F(SetTest, HookSeesBothPartsOfASplitBlock) {
    buildSplitSet();
    install();
    static std::vector<DataHookRecord> blocks;
    blocks.clear();
    DataHook hook = [](DataHookRecord* record) -> int32_t {
        if (record->kind == HookBlock) blocks.push_back(*record);
        return 0;
    };
    ASSERT_TRUE(copy("one.cab", "", hook));
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1].split, 1);
    EXPECT_EQ(blocks[1].partOffset, 0);
    EXPECT_EQ(blocks[1].dataSize, 7232);
    EXPECT_EQ(blocks[2].split, 1);
    EXPECT_EQ(blocks[2].partOffset, 7232);
    EXPECT_EQ(blocks[2].dataSize, 17232);
}

TEST_F(SetTest, SkippedFilesInFlightAreSkippedInTheNextCabinet) {
    stream = patternBytes(45000, 3);
    std::vector<TestBlock> blocks = storedBlocks(stream);
    auto [first, second] = splitBlock(blocks[1], 35000 - 32768);
    one.nextCabinet = "two.cab";
    one.folders.push_back(folderOf({blocks[0], first}));
    one.files = {entry("x", 0, 40000, 0xFFFE), entry("y", 30000, 15000, 0xFFFE)};
    two.cabinetIndex = 1;
    two.previousCabinet = "one.cab";
    two.folders.push_back(folderOf({second}));
    two.files = {entry("x", 0, 40000, 0xFFFD), entry("y", 30000, 15000, 0xFFFD),
                 entry("z", 0, 0, 0)};
    install();
    answer = [](CopyNotification kind, NotificationRecord* record) {
        return kind == FileBegin && std::string(record->name) == "x" ? 0 : kDefault;
    };
    ASSERT_TRUE(copy("one.cab"));
    EXPECT_EQ(written("y"), slice(stream, 30000, 45000));
    EXPECT_EQ(world().written.count("x"), 0u);
    EXPECT_EQ(world().written.count("z"), 0u);  // not continued: ends the walk
    // FileEnd of y carries its continuation entry.
    EXPECT_EQ(events.back().kind, FileListCheckpoint);
    EXPECT_EQ(events[events.size() - 2].name, "y");
    EXPECT_EQ(events[events.size() - 2].record.folderIndex, 0xFFFD);
}

TEST_F(SetTest, OneFileAcrossThreeCabinetsWithACleanCut) {
    stream = patternBytes(32768 * 3 + 500, 4);
    std::vector<TestBlock> blocks = storedBlocks(stream);
    auto [first, second] = splitBlock(blocks[1], 100);
    TestCabinet three;
    one.nextCabinet = "two.cab";
    one.folders.push_back(folderOf({blocks[0], first}));
    one.files = {entry("s", 0, uint32_t(stream.size()), 0xFFFE)};
    two.cabinetIndex = 1;
    two.previousCabinet = "one.cab";
    two.nextCabinet = "three.cab";
    two.folders.push_back(folderOf({second, blocks[2]}));
    two.files = {entry("s", 0, uint32_t(stream.size()), 0xFFFF)};
    three.cabinetIndex = 2;
    three.previousCabinet = "two.cab";
    three.folders.push_back(folderOf({blocks[3]}));
    three.files = {entry("s", 0, uint32_t(stream.size()), 0xFFFD)};
    install();
    addFile("three.cab", buildCabinet(three));
    ASSERT_TRUE(copy("one.cab"));
    EXPECT_EQ(written("s"), stream);
    EXPECT_EQ(count(CabinetNeeded), 2u);
    ASSERT_TRUE(copy("two.cab"));
    ASSERT_TRUE(copy("three.cab"));
    EXPECT_EQ(count(FileContinued), 1u);
    EXPECT_EQ(written("s"), stream);
}

TEST_F(SetTest, CleanCutWithFurtherFilesOfTheFolder) {
    stream = patternBytes(32768 + 4000, 5);
    std::vector<TestBlock> blocks = storedBlocks(stream);
    one.nextCabinet = "two.cab";
    one.folders.push_back(folderOf({blocks[0]}));
    one.files = {entry("s", 0, 34000, 0xFFFE)};
    two.cabinetIndex = 1;
    two.previousCabinet = "one.cab";
    two.folders.push_back(folderOf({blocks[1]}));
    // Offsets of files that start here count from this cabinet's part of the folder.
    two.files = {entry("s", 0, 34000, 0xFFFD), entry("t", 34000 - 32768, 2768, 0)};
    install();
    ASSERT_TRUE(copy("one.cab"));
    ASSERT_TRUE(copy("two.cab"));
    EXPECT_EQ(written("s"), slice(stream, 0, 34000));
    EXPECT_EQ(written("t"), slice(stream, 34000, stream.size()));
}

TEST_F(SetTest, NextCabinetFailuresAreRetriedWithTheirError) {
    struct Case {
        const char* what;
        std::function<void(SetTest&)> spoil;
        DecoderError expected;
    };
    std::vector<Case> cases = {
        {"missing", [](SetTest&) { world().files.erase("two.cab"); }, CabinetOpenFailed},
        {"set id",
         [](SetTest& t) {
             t.two.setId = 99;
             t.install();
         },
         CabinetMismatch},
        {"index",
         [](SetTest& t) {
             t.two.cabinetIndex = 2;
             t.install();
         },
         CabinetMismatch},
        {"folder reserve",
         [](SetTest& t) {
             t.two.reservePresent = true;
             t.two.folderReserveSize = 4;
             t.install();
         },
         ReserveSizeChanged},
        {"data reserve",
         [](SetTest& t) {
             t.two.reservePresent = true;
             t.two.dataReserveSize = 6;
             t.install();
         },
         ReserveSizeChanged},
        {"version",
         [](SetTest& t) {
             t.two.version = 0x0104;
             t.install();
         },
         CabinetVersionUnsupported},
        // The continued block is checked before the cabinet is taken, part by part.
        {"second part checksum",
         [](SetTest& t) {
             t.two.folders[0].blocks[0].checksumXor = 0x100;
             t.install();
         },
         CabinetDataCorrupt},
        {"parts beyond the input buffer",
         [](SetTest& t) {
             // Each part fits on its own; both together exceed 32768.
             t.two.folders[0].blocks[0].data.resize(32768 - 7232 + 1, 0);
             t.two.folders[0].blocks[0].uncompressedSize = 32768;
             t.install();
         },
         CabinetDataCorrupt},
    };
    for (const Case& c : cases) {
        one = TestCabinet{};
        two = TestCabinet{};
        buildSplitSet();
        install();
        c.spoil(*this);
        std::vector<int32_t> errors;
        answer = [&](CopyNotification kind, NotificationRecord* record) {
            if (kind != CabinetNeeded) return kDefault;
            errors.push_back(record->error);
            return errors.size() < 3 ? 0 : -1;
        };
        EXPECT_FALSE(copy("one.cab")) << c.what;
        EXPECT_EQ(error.code, Aborted) << c.what;
        EXPECT_EQ(errors, (std::vector<int32_t>{Ok, c.expected, c.expected})) << c.what;
        EXPECT_EQ(world().liveHandleCount(), 0u) << c.what;
        // A fresh context for the next case: the reserve sizes are learned per context.
        destroyDecoder(decoder);
        decoder = createDecoder(memoryCallbacks(), -1, &error);
    }
}

// A next cabinet whose first block is damaged is refused before it is taken; once the good copy
// is in place the copy goes on from the very block that was checked, each block seen once.
TEST_F(SetTest, DamagedFirstBlockIsAskedAgainAndTheGoodCopyCompletes) {
    stream = patternBytes(32768 + 4000, 6);
    std::vector<TestBlock> blocks = storedBlocks(stream);
    one.nextCabinet = "two.cab";
    one.folders.push_back(folderOf({blocks[0]}));
    one.files = {entry("s", 0, uint32_t(stream.size()), 0xFFFE)};
    two.cabinetIndex = 1;
    two.previousCabinet = "one.cab";
    two.folders.push_back(folderOf({blocks[1]}));
    two.files = {entry("s", 0, uint32_t(stream.size()), 0xFFFD)};
    TestCabinet damaged = two;
    damaged.folders[0].blocks[0].checksumXor = 1;
    addFile("one.cab", buildCabinet(one));
    addFile("two.cab", buildCabinet(damaged));
    std::vector<int32_t> errors;
    answer = [&](CopyNotification kind, NotificationRecord* record) {
        if (kind != CabinetNeeded) return kDefault;
        errors.push_back(record->error);
        if (record->error != Ok) addFile("two.cab", buildCabinet(two));
        return 0;
    };
    static int hookBlocks;
    hookBlocks = 0;
    DataHook hook = [](DataHookRecord* record) -> int32_t {
        if (record->kind == HookBlock) ++hookBlocks;
        return 0;
    };
    ASSERT_TRUE(copy("one.cab", "", hook));
    EXPECT_EQ(errors, (std::vector<int32_t>{Ok, CabinetDataCorrupt}));
    EXPECT_EQ(written("s"), stream);
    EXPECT_EQ(hookBlocks, 2);
    EXPECT_EQ(count(FileEnd), 1u);
}

TEST_F(SetTest, HandlerCanPointAtAnotherFolder) {
    buildSplitSet();
    addFile("a/one.cab", buildCabinet(one));
    addFile("b/two.cab", buildCabinet(two));
    answer = [](CopyNotification kind, NotificationRecord* record) {
        if (kind == CabinetNeeded && record->error == Ok) std::strcpy(record->name3, "b/");
        return kDefault;
    };
    ASSERT_TRUE(copy("one.cab", "a/"));
    EXPECT_EQ(written("span"), slice(stream, 1000, 50000));
}

TEST_F(SetTest, CabinetCloseFailureBeforeTheSwitchIsCorrupt) {
    buildSplitSet();
    install();
    world().failCabinetClose = true;
    EXPECT_FALSE(copy("one.cab"));
    EXPECT_EQ(error.code, CabinetDataCorrupt);
    EXPECT_EQ(count(CabinetNeeded), 0u);
}

}  // namespace
}  // namespace tamrix::test
