// The tool against hostile cabinets: next-cabinet names that point elsewhere, links planted in
// the output folder, entries in reverse order or covering the same data many times, more output
// than the disk holds, and the words of the failures.
#include <sys/resource.h>

#include "tests/cab/tool_fixture.h"

namespace tamrix::test {
namespace {

// A cabinet whose only file goes on into the next cabinet, named `next`, and that next cabinet.
struct SpanningSet {
    Bytes stream = patternBytes(40000, 7), late = patternBytes(10, 8);
    TestCabinet one, two;
    explicit SpanningSet(const std::string& next) {
        std::vector<TestBlock> blocks = storedBlocks(stream);
        one.nextCabinet = next;
        one.folders.push_back(folderOf({blocks[0]}));
        one.files = {entry("span", 0, 40000, 0xFFFE)};
        two.cabinetIndex = 1;
        two.previousCabinet = "one.cab";
        two.folders.push_back(folderOf({blocks[1]}));
        two.folders.push_back(folderOf(storedBlocks(late)));
        two.files = {entry("span", 0, 40000, 0xFFFD), entry("late", 0, 10, 1)};
    }
};

TEST_F(ToolTest, NextCabinetNamesStayInTheCabinetsFolder) {
    fs::create_directories(root / "set");
    fs::create_directories(root / "elsewhere");
    for (const std::string& next :
         {std::string("../elsewhere/two.cab"), root.string() + "/elsewhere/two.cab",
          std::string("elsewhere\\two.cab")}) {
        SpanningSet set(next);
        write("set/one.cab", buildCabinet(set.one));
        write("elsewhere/two.cab", buildCabinet(set.two));
        write("set/elsewhere\\two.cab", buildCabinet(set.two));
        fs::remove_all(out);
        ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("set/one.cab"));
        EXPECT_EQ(run.status, 1) << next;
        EXPECT_NE(run.err.find("is not a file name in the cabinet's folder"), std::string::npos)
            << run.err;
        EXPECT_EQ(outputFiles(), std::vector<std::string>{}) << next;
    }

    // A name starting with '*' is a file like any other, not a request for a spill file.
    SpanningSet set("*two.cab");
    write("set/one.cab", buildCabinet(set.one));
    write("set/*two.cab", buildCabinet(set.two));
    fs::remove_all(out);
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("set/one.cab"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read(out / "span"), set.stream);
    EXPECT_EQ(read(out / "late"), set.late);
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"late", "span"}));
}

TEST_F(ToolTest, LinkedFolderIsRefusedAndTheRestExtracted) {
    write("x.cab", buildCabinet(storedCabinet(
                       {{"sub\\deep\\evil.txt", Bytes(3, 'e')}, {"after", Bytes(2, 'a')}})));
    fs::create_directories(out);
    fs::create_directory(root / "elsewhere");
    fs::create_directory_symlink(root / "elsewhere", out / "sub");
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("folder 'sub' in the output folder is a symbolic link; "
                           "'sub/deep/evil.txt' is not written through it"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::is_empty(root / "elsewhere"));
    EXPECT_EQ(read(out / "after"), Bytes(2, 'a'));
}

// The tool with a limit on its processor time: a folder decoded once per entry would need far
// more than the limit, decoded once it needs a small part of it.
ToolRun withCpuLimit(ToolTest& test, const std::string& arguments, int seconds) {
    return test.tamrixWith("ulimit -t " + std::to_string(seconds) + ";", arguments);
}

// Entries in reverse order of their data, and entries that all cover the same data: a folder
// restarted per entry is decoded thousands of times; the tool decodes it once.
TEST_F(ToolTest, ReverseOrderAndOverlappingEntriesDecodeEachFolderOnce) {
    constexpr uint32_t kEntries = 16384, kFolderSize = 16 << 20, kStep = kFolderSize / kEntries;
    const Bytes stream = patternBytes(kFolderSize, 11);
    TestCabinet reverse, overlap;
    reverse.folders.push_back(folderOf(storedBlocks(stream)));
    overlap.folders = reverse.folders;
    for (uint32_t i = kEntries; i-- > 0;) {
        reverse.files.push_back(entry("r" + std::to_string(i), i * kStep + kStep - 1, 1, 0));
        overlap.files.push_back(entry("o" + std::to_string(i), 0, kFolderSize, 0));
    }
    write("reverse.cab", buildCabinet(reverse));
    write("overlap.cab", buildCabinet(overlap));
    for (const char* cabinet : {"reverse.cab", "overlap.cab"}) {
        ToolRun run = withCpuLimit(*this, "test " + at(cabinet), 10);
        EXPECT_EQ(run.status, 0) << cabinet << run.err;
        EXPECT_NE(run.out.find("16384 files OK"), std::string::npos) << run.out;
    }

    // What is extracted in that order is right.
    TestCabinet small;
    const Bytes data(stream.begin(), stream.begin() + 100000);
    small.folders.push_back(folderOf(storedBlocks(data)));
    for (uint32_t i = 1000; i-- > 0;)
        small.files.push_back(entry("r" + std::to_string(i), i * 100, 1, 0));
    small.files.push_back(entry("whole", 0, 100000, 0));
    small.files.push_back(entry("again", 0, 100000, 0));
    small.files.push_back(entry("empty", 0, 0, 0));
    write("small.cab", buildCabinet(small));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("small.cab"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(outputFiles().size(), 1003u);
    for (uint32_t i : {0u, 1u, 500u, 999u}) {
        EXPECT_EQ(read(out / ("r" + std::to_string(i))), Bytes(1, data[i * 100]));
    }
    EXPECT_EQ(read(out / "whole"), data);
    EXPECT_EQ(read(out / "again"), data);
    EXPECT_EQ(read(out / "empty"), Bytes());
}

// Entries that overlap only in part, and a bad block behind the first of them: what was finished
// stays, what was being written is removed.
TEST_F(ToolTest, PartlyOverlappingEntriesAndAFailureInTheMiddle) {
    const Bytes stream = patternBytes(100000, 12);
    TestCabinet plan;
    plan.folders.push_back(folderOf(storedBlocks(stream)));
    plan.files = {entry("b", 30000, 40000, 0), entry("a", 0, 50000, 0),
                  entry("c", 69999, 30001, 0)};
    write("x.cab", buildCabinet(plan));
    ASSERT_EQ(tamrix("extract -q -d " + out.string() + " " + at("x.cab")).status, 0);
    auto part = [&](size_t from, size_t size) {
        return Bytes(stream.begin() + long(from), stream.begin() + long(from + size));
    };
    EXPECT_EQ(read(out / "a"), part(0, 50000));
    EXPECT_EQ(read(out / "b"), part(30000, 40000));
    EXPECT_EQ(read(out / "c"), part(69999, 30001));

    plan.folders[0].blocks[2].checksumXor = 1;  // bytes 65536..98303
    write("x.cab", buildCabinet(plan));
    fs::remove_all(out);
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: CabinetDataCorrupt"), std::string::npos) << run.err;
    EXPECT_EQ(outputFiles(), std::vector<std::string>{"a"});
}

// 64 entries of 4 GiB - 1 over the same small folder declare 256 TiB.
TEST_F(ToolTest, MoreOutputThanFreeSpaceIsRefusedBeforeWriting) {
    TestCabinet plan = storedCabinet({{"small", Bytes(10, 's')}});
    for (int i = 0; i < 64; ++i) plan.files.push_back(entry("big" + std::to_string(i), 0, ~0u, 0));
    write("x.cab", buildCabinet(plan));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the 65 files to extract take 274877906890 bytes, but the file system"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("use --force"), std::string::npos) << run.err;
    EXPECT_EQ(outputFiles(), std::vector<std::string>{});

    // Forced, it goes on until the data runs out, and says so.
    run = tamrix("extract -q --force -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: CabinetDataCorrupt: the data ends early"), std::string::npos)
        << run.err;
    EXPECT_EQ(outputFiles(), std::vector<std::string>{"small"});

    run = tamrix("list " + at("x.cab"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\n65 files, 274877906890 bytes\n"), std::string::npos) << run.out;
}

TEST_F(ToolTest, FailuresNameTheirCause) {
    // The data runs past the folder's blocks and no next cabinet is named.
    TestCabinet shortData = storedCabinet({{"f", Bytes(100, 'f')}});
    shortData.files[0].size = 40000;
    write("short.cab", buildCabinet(shortData));
    ToolRun run = tamrix("test " + at("short.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: CabinetDataCorrupt: the data ends early: the folder has no "
                           "more blocks and the cabinet names no next cabinet (cabinet "
                           "'short.cab', file 'f')"),
              std::string::npos)
        << run.err;

    // The next cabinet is named but is not there.
    SpanningSet set("two.cab");
    write("one.cab", buildCabinet(set.one));
    run = tamrix("test " + at("one.cab"));
    EXPECT_NE(run.err.find("error: CabinetOpenFailed: the next cabinet of the set, 'two.cab', "
                           "is missing (cabinet 'one.cab', file 'span')"),
              std::string::npos)
        << run.err;

    // A write the system refuses: the reason and the full path.
    write("x.cab", buildCabinet(storedCabinet({{"dir\\big", Bytes(300000, 'b')}})));
    run = tamrixWith("trap '' XFSZ; ulimit -f 100;",
                     "extract -q -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    const std::string full = fs::canonical(out).string() + "/dir/big";
    EXPECT_NE(run.err.find("error: TargetWriteFailed: cannot write '" + full + "': File too large"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(outputFiles(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tamrix::test
