// tamrix list/test/extract as a user runs them: sets, packages, failures that leave nothing
// half-written, existing files, unsafe names, dates, attributes and name conversion.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/cab/tool_fixture.h"
#include "tools/name_text.h"

namespace tamrix::test {
namespace {

// Two cabinets: "a" and "dir\span" in a stored folder cut by a split block, then "c" in a new
// folder of the second cabinet.
struct TwoCabinets {
    Bytes stream = patternBytes(50000, 1), c = patternBytes(3000, 2);
    TestCabinet one, two;
    explicit TwoCabinets(const std::string& second = "two.cab") {
        std::vector<TestBlock> blocks = storedBlocks(stream);
        auto [first, rest] = splitBlock(blocks[1], 40000 - 32768);
        one.nextCabinet = second;
        one.folders.push_back(folderOf({blocks[0], first}));
        one.files = {entry("a", 0, 1000, 0), entry("dir\\span", 1000, 49000, 0xFFFE)};
        two.cabinetIndex = 1;
        two.previousCabinet = "one.cab";
        two.folders.push_back(folderOf({rest}));
        two.folders.push_back(folderOf(storedBlocks(c)));
        two.files = {entry("dir\\span", 1000, 49000, 0xFFFD), entry("c", 0, 3000, 1)};
    }
};

// A fake executable image with a decoy signature, then the cabinet.
Bytes package(const Bytes& cabinet, size_t imageSize = 4096) {
    Bytes image = patternBytes(imageSize, 99);
    image[0] = 'M';
    image[1] = 'Z';
    const char decoy[] = "MSCF\0\0\0\1";
    std::copy(decoy, decoy + 8, image.begin() + 100);
    image.insert(image.end(), cabinet.begin(), cabinet.end());
    return image;
}

TEST_F(ToolTest, ExtractsAWholeSet) {
    TwoCabinets set;
    write("one.cab", buildCabinet(set.one));
    write("two.cab", buildCabinet(set.two));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("one.cab"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"a", "c", "dir/span"}));
    EXPECT_EQ(read(out / "dir/span"), Bytes(set.stream.begin() + 1000, set.stream.end()));
    EXPECT_EQ(read(out / "c"), set.c);

    EXPECT_EQ(tamrix("test " + at("one.cab")).status, 0);
    ToolRun list = tamrix("list " + at("two.cab"));
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("<  dir\\span"), std::string::npos) << list.out;
}

TEST_F(ToolTest, ExtractsPackagesWithTheCabinetAnywhere) {
    TwoCabinets set("next.cab");
    write("setup.exe", package(buildCabinet(set.one)));
    write("next.cab", buildCabinet(set.two));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("setup.exe"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"a", "c", "dir/span"}));

    // A signature that straddles the 32 KiB boundary of the search.
    fs::remove_all(out);
    write("straddle.exe", package(buildCabinet(storedCabinet({{"s", Bytes(10, 's')}})), 32765));
    run = tamrix("extract -q -d " + out.string() + " " + at("straddle.exe"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read(out / "s"), Bytes(10, 's'));
}

TEST_F(ToolTest, ReportsEngineErrorsByName) {
    write("nothing.exe", patternBytes(100000, 5));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("nothing.exe"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: CabinetHeaderInvalid"), std::string::npos) << run.err;

    TestCabinet old = storedCabinet({{"f", Bytes(10, 1)}});
    old.version = 0x0102;
    write("old.cab", buildCabinet(old));
    run = tamrix("test " + at("old.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: CabinetVersionUnsupported"), std::string::npos) << run.err;
}

TEST_F(ToolTest, MissingNextCabinetLeavesNoHalfFile) {
    TwoCabinets set;
    write("one.cab", buildCabinet(set.one));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("one.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: CabinetOpenFailed"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("two.cab"), std::string::npos) << run.err;
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"a"}));  // no span, no temporary file

    // Another set's cabinet in its place: the attempt's error, not just Aborted.
    set.two.setId = 7;
    write("two.cab", buildCabinet(set.two));
    fs::remove_all(out);
    run = tamrix("extract -q -d " + out.string() + " " + at("one.cab"));
    EXPECT_NE(run.err.find("error: CabinetMismatch"), std::string::npos) << run.err;
}

TEST_F(ToolTest, CorruptBlockLeavesNoHalfFile) {
    TestCabinet plan = storedCabinet({{"good", Bytes(100, 'g')}, {"bad", patternBytes(70000, 3)}});
    plan.folders[0].blocks[2].checksumXor = 1;
    write("x.cab", buildCabinet(plan));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("error: CabinetDataCorrupt"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("bad"), std::string::npos) << run.err;
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"good"}));
}

TEST_F(ToolTest, ExistingFiles) {
    write("x.cab", buildCabinet(storedCabinet({{"f", Bytes(5, 'n')}, {"g", Bytes(5, 'g')}})));
    fs::create_directories(out);
    write("out/f", Bytes(3, 'o'));
    ToolRun run = tamrix("extract -q -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("exists"), std::string::npos);
    EXPECT_EQ(read(out / "f"), Bytes(3, 'o'));
    EXPECT_EQ(read(out / "g"), Bytes(5, 'g'));  // the others are still extracted

    fs::remove(out / "g");
    run = tamrix("extract -q --skip-existing -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read(out / "f"), Bytes(3, 'o'));

    run = tamrix("extract -q --overwrite -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read(out / "f"), Bytes(5, 'n'));

    EXPECT_EQ(tamrix("extract --overwrite --skip-existing " + at("x.cab")).status, 2);
    EXPECT_EQ(tamrix("extract").status, 2);
    EXPECT_EQ(tamrix("extract --bogus " + at("x.cab")).status, 2);
    EXPECT_EQ(tamrix("list").status, 2);
}

TEST_F(ToolTest, NothingIsWrittenOutsideTheOutputFolder) {
    write("x.cab", buildCabinet(storedCabinet({{"..\\escape", Bytes(1, '1')},
                                               {"\\abs\\x", Bytes(1, '2')},
                                               {"C:\\drive\\y", Bytes(1, '3')},
                                               {"sub\\..\\..\\z", Bytes(1, '4')},
                                               {"a/b\\\\c", Bytes(1, '5')},
                                               {"fine", Bytes(1, '6')},
                                               {"sub\\inside", Bytes(1, '7')}})));
    fs::create_directories(out);
    // A link planted in the output folder is not followed.
    fs::create_directory(root / "elsewhere");
    fs::create_directory_symlink(root / "elsewhere", out / "sub");
    ToolRun run = tamrix("extract -d " + out.string() + " " + at("x.cab"));
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(root / "escape"));
    EXPECT_FALSE(fs::exists(root / "z"));
    EXPECT_TRUE(fs::is_empty(root / "elsewhere"));
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"a/b/c", "abs/x", "drive/y", "fine"}));
    EXPECT_NE(run.err.find("refusing unsafe name '..\\escape'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("folder 'sub' in the output folder is a symbolic link"),
              std::string::npos)
        << run.err;
}

TEST_F(ToolTest, DatesTimesAndReadOnlyBitAreApplied) {
    TestCabinet plan = storedCabinet({{"ro", Bytes(2, 'r')}, {"rw", Bytes(2, 'w')}});
    plan.files[0].attributes = 0x21;
    plan.files[0].date = uint16_t((2001 - 1980) << 9 | 2 << 5 | 3);  // 2001-02-03
    plan.files[0].time = uint16_t(4 << 11 | 5 << 5 | 6 / 2);         // 04:05:06
    write("x.cab", buildCabinet(plan));
    ASSERT_EQ(tamrix("extract -q -d " + out.string() + " " + at("x.cab")).status, 0);
    struct stat info;
    ASSERT_EQ(stat((out / "ro").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    struct tm local {};
    localtime_r(&info.st_mtime, &local);
    EXPECT_EQ(local.tm_year, 101);
    EXPECT_EQ(local.tm_mon, 1);
    EXPECT_EQ(local.tm_mday, 3);
    EXPECT_EQ(local.tm_hour, 4);
    EXPECT_EQ(local.tm_min, 5);
    EXPECT_EQ(local.tm_sec, 6);
    ASSERT_EQ(stat((out / "rw").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & 0200, 0u);
}

TEST_F(ToolTest, NamesBecomeUtf8) {
    TestCabinet plan = storedCabinet({{"caf\xe9.txt", Bytes(1, 'a')},
                                      {"\xe2\x82\xac.txt", Bytes(1, 'b')},
                                      {"x\x81y", Bytes(1, 'c')}});
    plan.files[1].attributes = 0x80;  // UTF-8 already
    write("x.cab", buildCabinet(plan));
    ASSERT_EQ(tamrix("extract -q -d " + out.string() + " " + at("x.cab")).status, 0);
    EXPECT_EQ(outputFiles(),
              (std::vector<std::string>{"caf\xc3\xa9.txt", "x\xef\xbf\xbdy", "\xe2\x82\xac.txt"}));

    TestCabinet japanese = storedCabinet({{"\x93\xfa\x96\x7b.txt", Bytes(1, 'j')}});
    write("j.cab", buildCabinet(japanese));
    fs::remove_all(out);
    ASSERT_EQ(tamrix("extract -q --codepage 932 -d " + out.string() + " " + at("j.cab")).status, 0);
    EXPECT_EQ(outputFiles(), (std::vector<std::string>{"\xe6\x97\xa5\xe6\x9c\xac.txt"}));
}

TEST(SafePathComponents, SplitsAndRefuses) {
    std::vector<std::string> parts;
    bool altered = false;
    ASSERT_TRUE(tool::safePathComponents("a\\b\\c.txt", &parts, &altered));
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "b", "c.txt"}));
    EXPECT_FALSE(altered);
    ASSERT_TRUE(tool::safePathComponents("\\\\srv\\.\\x", &parts, &altered));
    EXPECT_EQ(parts, (std::vector<std::string>{"srv", "x"}));
    EXPECT_TRUE(altered);
    ASSERT_TRUE(tool::safePathComponents("d:\\x", &parts, &altered));
    EXPECT_EQ(parts, (std::vector<std::string>{"x"}));
    EXPECT_FALSE(tool::safePathComponents("a\\..\\b", &parts, &altered));
    EXPECT_FALSE(tool::safePathComponents("\\\\", &parts, &altered));
    EXPECT_FALSE(tool::safePathComponents("", &parts, &altered));
    ASSERT_TRUE(tool::safePathComponents("...", &parts, &altered));  // an odd but plain name
}

}  // namespace
}  // namespace tamrix::test
