// The copy driver over single cabinets: notification order, block sharing, restarts, failures.
#include <algorithm>

#include "tests/cab/engine_harness.h"

namespace tamrix::test {
namespace {

using Contents = std::vector<std::pair<std::string, Bytes>>;

TestCabinet storedCabinet(const Contents& contents, uint32_t blockSize = 32768) {
    StoredLayout layout = layOutStored(contents, 0, blockSize);
    TestCabinet plan;
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    return plan;
}

TEST_F(EngineTest, ExtractsStoredFilesAcrossBlocks) {
    Contents contents = {{"a.txt", patternBytes(1000, 1)},
                         {"dir\\b.bin", patternBytes(70000, 2)},
                         {"c", patternBytes(5, 3)}};
    addFile("x.cab", buildCabinet(storedCabinet(contents)));
    ASSERT_TRUE(copy("x.cab"));
    for (const auto& [name, data] : contents) EXPECT_EQ(written(name), data) << name;
    EXPECT_EQ(error.failed, 0);
}

int32_t recordHook(DataHookRecord* record);
std::vector<std::string>* hookTrace = nullptr;
std::vector<DataHookRecord> hookRecords;
int32_t hookAnswer = 0;

int32_t recordHook(DataHookRecord* record) {
    static const char* names[] = {"HookCabinet", "HookFolder", "HookBlock"};
    if (hookTrace) hookTrace->push_back(names[record->kind]);
    hookRecords.push_back(*record);
    return hookAnswer;
}

TEST_F(EngineTest, NotifiesInOrderWithHook) {
    Contents contents = {{"big", patternBytes(40000, 4)}};
    addFile("x.cab", buildCabinet(storedCabinet(contents)));
    hookTrace = &trace;
    hookRecords.clear();
    hookAnswer = 0;
    ASSERT_TRUE(copy("x.cab", "", recordHook));
    hookTrace = nullptr;
    std::vector<std::string> expected = {
        "CabinetOpened", "HookCabinet", "FileListCheckpoint 1", "FileBegin big",
        "HookFolder",    "HookBlock",   "write 32768",          "HookBlock",
        "write 7232",    "FileEnd big", "FileListCheckpoint 0"};
    std::vector<std::string> got;
    for (const std::string& line : trace) {
        if (line.rfind("open", 0) && line.rfind("close", 0)) got.push_back(line);
    }
    EXPECT_EQ(got, expected);
    ASSERT_EQ(hookRecords.size(), 4u);
    EXPECT_EQ(hookRecords[0].reserveSize, 0xFFFF);  // no per-cabinet reserve learned
    EXPECT_EQ(hookRecords[0].reserve, nullptr);
    EXPECT_EQ(hookRecords[2].dataSize, 32768);
    EXPECT_EQ(hookRecords[2].split, 0);
    EXPECT_EQ(hookRecords[3].dataSize, 7232);
}

TEST_F(EngineTest, HookCanChangeBlockBytesAndAbort) {
    Contents contents = {{"f", Bytes(100, 'a')}};
    TestCabinet plan = storedCabinet(contents);
    plan.folders[0].blocks[0].withChecksum = false;
    addFile("x.cab", buildCabinet(plan));
    hookTrace = nullptr;
    hookRecords.clear();
    hookAnswer = 0;
    DataHook rewrite = [](DataHookRecord* record) -> int32_t {
        if (record->kind == HookBlock) record->data[0] = 'z';
        return 0;
    };
    ASSERT_TRUE(copy("x.cab", "", rewrite));
    EXPECT_EQ(written("f")[0], 'z');

    hookAnswer = -1;
    EXPECT_FALSE(copy("x.cab", "", recordHook));
    EXPECT_EQ(error.code, Aborted);
    EXPECT_EQ(count(CabinetOpened), 1u);
    EXPECT_EQ(count(FileListCheckpoint), 0u);
}

TEST_F(EngineTest, EmptyFileOpensNoFolder) {
    TestCabinet plan;
    TestFile empty;
    empty.name = "empty";
    empty.folderIndex = 7;  // not even a folder of this cabinet
    plan.files.push_back(empty);
    addFile("x.cab", buildCabinet(plan));
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(kinds(),
              (std::vector<std::string>{"CabinetOpened", "FileListCheckpoint 1", "FileBegin empty",
                                        "FileEnd empty", "FileListCheckpoint 0"}));
    EXPECT_TRUE(written("empty").empty());
}

TEST_F(EngineTest, SkippingEveryFileDecodesNothing) {
    Contents contents = {{"a", patternBytes(50000, 5)}, {"b", patternBytes(10, 6)}};
    addFile("x.cab", buildCabinet(storedCabinet(contents)));
    answer = [](CopyNotification kind, NotificationRecord*) {
        return kind == FileBegin ? 0 : kDefault;
    };
    const uint64_t allocationsBefore = world().allocations;
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(count(FileEnd), 0u);
    EXPECT_TRUE(world().written.empty());
    // Only the learned layout buffers: no codec buffers.
    EXPECT_EQ(world().allocations - allocationsBefore, 2u);
}

TEST_F(EngineTest, FilesSharingABlockDecodeItOnce) {
    Contents contents;
    for (int i = 0; i < 10; ++i)
        contents.push_back({"f" + std::to_string(i), patternBytes(300, i)});
    addFile("x.cab", buildCabinet(storedCabinet(contents)));
    hookTrace = nullptr;
    hookRecords.clear();
    hookAnswer = 0;
    ASSERT_TRUE(copy("x.cab", "", recordHook));
    for (const auto& [name, data] : contents) EXPECT_EQ(written(name), data);
    size_t blocks = 0;
    for (const DataHookRecord& record : hookRecords) blocks += record.kind == HookBlock;
    EXPECT_EQ(blocks, 1u);
}

TEST_F(EngineTest, OutOfOrderFilesRestartTheFolder) {
    Bytes stream = patternBytes(100000, 7);
    TestCabinet plan;
    TestFolder folder;
    folder.blocks = storedBlocks(stream);
    plan.folders.push_back(folder);
    auto file = [&](const char* name, uint32_t offset, uint32_t size) {
        TestFile f;
        f.name = name;
        f.folderOffset = offset;
        f.size = size;
        plan.files.push_back(f);
    };
    file("late", 90000, 10000);
    file("early", 10, 40000);
    file("same-as-early", 10, 40000);  // identical range: served from the decoded blocks
    file("middle", 33000, 100);
    addFile("x.cab", buildCabinet(plan));
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(written("late"), Bytes(stream.begin() + 90000, stream.end()));
    EXPECT_EQ(written("early"), Bytes(stream.begin() + 10, stream.begin() + 40010));
    EXPECT_EQ(written("same-as-early"), written("early"));
    EXPECT_EQ(written("middle"), Bytes(stream.begin() + 33000, stream.begin() + 33100));
}

TEST_F(EngineTest, InterleavedFoldersKeepTheStoredCodec) {
    Contents first = {{"a1", patternBytes(40000, 8)}, {"a2", patternBytes(100, 9)}};
    Contents second = {{"b1", patternBytes(200, 10)}, {"b2", patternBytes(33000, 11)}};
    StoredLayout one = layOutStored(first, 0), two = layOutStored(second, 1);
    TestCabinet plan;
    plan.folders = {one.folder, two.folder};
    plan.files = {one.files[1], two.files[0], one.files[0], two.files[1]};
    plan.reverseFolderData = true;
    plan.paddingBeforeFiles = 13;
    plan.paddingBeforeData = 7;
    addFile("x.cab", buildCabinet(plan));
    ASSERT_TRUE(copy("x.cab"));
    for (const auto& contents : {first, second}) {
        for (const auto& [name, data] : contents) EXPECT_EQ(written(name), data) << name;
    }
}

TEST_F(EngineTest, FileEndCarriesTheExecuteBitSeparately) {
    TestCabinet plan = storedCabinet({{"run", Bytes(3, 'r')}, {"ro", Bytes(3, 'o')}});
    plan.files[0].attributes = 0x41;
    plan.files[1].attributes = 0x01;
    plan.files[0].date = 0x1234;
    plan.files[0].time = 0x5678;
    addFile("x.cab", buildCabinet(plan));
    ASSERT_TRUE(copy("x.cab"));
    std::vector<Event> ends;
    for (const Event& e : events) {
        if (e.kind == FileEnd) ends.push_back(e);
    }
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0].record.attributes, 0x01);
    EXPECT_EQ(ends[0].record.size, 1);
    EXPECT_EQ(ends[0].record.date, 0x1234);
    EXPECT_EQ(ends[0].record.time, 0x5678);
    EXPECT_EQ(ends[1].record.attributes, 0x01);
    EXPECT_EQ(ends[1].record.size, 0);
}

TEST_F(EngineTest, ShortWriteFailsAndClosesTheTarget) {
    addFile("x.cab", buildCabinet(storedCabinet({{"f", patternBytes(100, 1)}})));
    world().shortWrites = true;
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, TargetWriteFailed);
    EXPECT_EQ(count(FileEnd), 0u);
    EXPECT_NE(std::find(trace.begin(), trace.end(), "close target"), trace.end());
}

TEST_F(EngineTest, FileEndAnswers) {
    addFile("x.cab", buildCabinet(storedCabinet({{"f", patternBytes(100, 1)}})));
    // 0: TargetWriteFailed, and the handle is the handler's (it closes it here).
    answer = [](CopyNotification kind, NotificationRecord* record) {
        if (kind != FileEnd) return kDefault;
        memoryCallbacks().close(record->handle);
        return 0;
    };
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, TargetWriteFailed);
    // -1: Aborted, and the engine closes the handle itself.
    answer = [](CopyNotification kind, NotificationRecord*) {
        return kind == FileEnd ? -1 : kDefault;
    };
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, Aborted);
}

TEST_F(EngineTest, AbortFromFileBeginClosesBothCabinetHandles) {
    addFile("x.cab", buildCabinet(storedCabinet({{"f", patternBytes(100, 1)}})));
    answer = [](CopyNotification kind, NotificationRecord*) {
        return kind == FileBegin ? -1 : kDefault;
    };
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, Aborted);
    EXPECT_EQ(world().liveHandleCount(), 0u);
}

TEST_F(EngineTest, CheckpointControlsTheFileList) {
    TestCabinet plan = storedCabinet({{"a", Bytes(10, 'a')}, {"b", Bytes(10, 'b')}});
    addFile("x.cab", buildCabinet(plan));
    answer = [](CopyNotification kind, NotificationRecord* record) {
        if (kind == FileListCheckpoint) record->folderIndex = 0;
        return kDefault;
    };
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(count(FileBegin), 0u);

    // Re-reading the file list from its start after the last entry extracts both again.
    int rounds = 0;
    int32_t firstPosition = -1;
    answer = [&](CopyNotification kind, NotificationRecord* record) {
        if (kind != FileListCheckpoint) return kDefault;
        if (firstPosition < 0) firstPosition = record->size;
        if (record->folderIndex == 0 && rounds++ == 0) {
            record->folderIndex = 2;
            record->size = firstPosition;
        }
        return kDefault;
    };
    world().written.clear();
    ASSERT_TRUE(copy("x.cab"));
    EXPECT_EQ(count(FileBegin), 4u);
    EXPECT_EQ(written("a"), Bytes(20, 'a'));

    // A position that cannot be set is Aborted.
    answer = [](CopyNotification kind, NotificationRecord* record) {
        if (kind == FileListCheckpoint) record->size = -5;
        return kDefault;
    };
    EXPECT_FALSE(copy("x.cab"));
    EXPECT_EQ(error.code, Aborted);
}

TEST_F(EngineTest, FirstEntryContinuedFromPreviousIsReportedAndSkipped) {
    Contents contents = {{"tail", patternBytes(500, 1)}, {"next", patternBytes(600, 2)}};
    TestCabinet plan = storedCabinet(contents);
    plan.previousCabinet = "prev.cab";
    plan.previousDisk = "Disk 1";
    plan.files[0].folderIndex = 0xFFFD;
    addFile("x.cab", buildCabinet(plan));
    ASSERT_TRUE(copy("x.cab"));
    ASSERT_EQ(count(FileContinued), 1u);
    const Event& continued = events[2];
    EXPECT_EQ(continued.kind, FileContinued);
    EXPECT_EQ(continued.name, "tail");
    EXPECT_EQ(continued.name2, "prev.cab");
    EXPECT_EQ(continued.name3, "Disk 1");
    EXPECT_EQ(written("next"), contents[1].second);
    EXPECT_EQ(world().written.count("tail"), 0u);
}

TEST_F(EngineTest, FolderRunningOutAsksForTheNextCabinetUntilRefused) {
    TestCabinet plan = storedCabinet({{"f", patternBytes(40000, 1)}});
    plan.folders[0].blocks.pop_back();  // the second block is missing
    plan.nextCabinet = "missing.cab";
    plan.nextDisk = "Disk 2";
    addFile("dir/x.cab", buildCabinet(plan));
    int asked = 0;
    answer = [&](CopyNotification kind, NotificationRecord* record) {
        if (kind != CabinetNeeded) return kDefault;
        EXPECT_EQ(record->error, asked == 0 ? Ok : CabinetOpenFailed);
        EXPECT_STREQ(record->name, "missing.cab");
        EXPECT_STREQ(record->name3, "dir/");
        EXPECT_EQ(record->cabinetIndex, 1);
        return ++asked < 3 ? 0 : -1;
    };
    EXPECT_FALSE(copy("x.cab", "dir/"));
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(error.code, Aborted);
    EXPECT_EQ(std::count(world().opened.begin(), world().opened.end(), "dir/missing.cab"), 2);
    EXPECT_EQ(count(FileEnd), 0u);
}

}  // namespace
}  // namespace tamrix::test
