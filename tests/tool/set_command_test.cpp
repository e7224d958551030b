// tamrix cab and pack making sets, reserved areas and UTF-8 names, and refusing to eat their own
// inputs; the sets read back by tamrix extract and by the stub's flow (tamrix run).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/pack/cabinet_parser.h"
#include "tests/pack/pack_fixtures.h"
#include "tests/support/byte_fields.h"
#include "tests/tool/tool_fixture.h"

namespace tamrix::test {
namespace {

namespace fs = std::filesystem;

class SetCommand : public ToolCommandTest {
  protected:
    void SetUp() override {
        ToolCommandTest::SetUp();
        // Incompressible bytes, so the set really spans cabinets.
        write("in/a.txt", Bytes(100, 'a'));
        write("in/big.bin", noiseBytes(150000, 7));
        write("in/sub/c.bin", noiseBytes(70000, 8));
        write("in/sub/empty", {});
        write("in/z.txt", Bytes(10, 'z'));
        writeText("answers.txt", "");
    }
    // The stub's view of a folder of the temporary folder (drive Z: is the root).
    std::string windowsPath(const std::string& name) {
        std::string path = "Z:" + (root / name).string();
        for (char& c : path) c = c == '/' ? '\\' : c;
        return path;
    }
    ToolResult run(const std::string& package, const std::string& extra = "") {
        return tamrix("run --ui script:answers.txt " + extra + " " + package, "",
                      "ASAN_OPTIONS=detect_leaks=0");
    }
};

TEST_F(SetCommand, CabinetsStayBelowTheSizeAndExtractWhole) {
    // Two stored blocks of 32 KiB fit in 70K with the tables: 220,110 bytes make 4 cabinets.
    ToolResult made = tamrix("cab -o set.cab --max-cabinet-size 70K --compress none in");
    ASSERT_EQ(0, made.status) << made.err;
    for (std::string name : {"set.cab", "set2.cab", "set3.cab", "set4.cab"}) {
        ASSERT_TRUE(fs::exists(root / name)) << name << "\n" << made.out;
        EXPECT_LE(fs::file_size(root / name), 70u * 1024) << name;
        EXPECT_GT(fs::file_size(root / name), name == "set4.cab" ? 0u : 2 * 32768u) << name;
    }
    EXPECT_FALSE(fs::exists(root / "set5.cab")) << made.out;

    // Every cabinet after the first continues the one folder: list marks the running file.
    EXPECT_NE(tamrix("list set2.cab").out.find("<> big.bin"), std::string::npos);
    EXPECT_EQ(0, tamrix("test -q set.cab").status);
    ToolResult all = tamrix("extract -q -d out set.cab");
    EXPECT_EQ(0, all.status) << all.err;
    for (std::string name : {"a.txt", "big.bin", "sub/c.bin", "sub/empty", "z.txt"}) {
        EXPECT_EQ(read("in/" + name), read("out/" + name)) << name;
    }

    // Only a file behind the one that spans cabinets: reached through it, written alone.
    ToolResult some = tamrix("extract -q -d some set.cab 'sub/*.bin'");
    EXPECT_EQ(0, some.status) << some.err;
    EXPECT_EQ((std::vector<std::string>{"sub/c.bin"}), filesBelow("some"));
    EXPECT_EQ(read("in/sub/c.bin"), read("some/sub/c.bin"));

    // A missing cabinet in the middle: named, and nothing half-written stays.
    fs::remove(root / "set3.cab");
    ToolResult missing = tamrix("extract -q -d miss set.cab");
    EXPECT_EQ(1, missing.status);
    EXPECT_NE(missing.err.find("set3.cab"), std::string::npos) << missing.err;
    EXPECT_EQ((std::vector<std::string>{"a.txt"}), filesBelow("miss"));
}

TEST_F(SetCommand, ACabinetOfAnotherBuildWithTheSameNamesIsRefused) {
    // Two builds of a set under the same names, the second with other bytes in big.bin.
    const std::string make = "cab -q --max-cabinet-size 70K --compress none in -o ";
    for (const char* folder : {"first", "second", "again"}) fs::create_directory(root / folder);
    ASSERT_EQ(0, tamrix(make + "first/set.cab").status);
    write("in/big.bin", noiseBytes(150000, 9));
    ASSERT_EQ(0, tamrix(make + "second/set.cab").status);
    ASSERT_EQ(0, tamrix(make + "again/set.cab").status);
    EXPECT_EQ(read("second/set2.cab"), read("again/set2.cab"));  // the same input, the same set

    fs::copy_file(root / "second/set2.cab", root / "first/set2.cab",
                  fs::copy_options::overwrite_existing);
    ToolResult mixed = tamrix("extract -q -d mixed first/set.cab");
    EXPECT_EQ(1, mixed.status);
    EXPECT_NE(mixed.err.find("set2.cab"), std::string::npos) << mixed.err;
    EXPECT_FALSE(fs::exists(root / "mixed/big.bin"));
}

TEST_F(SetCommand, SizesAndOptionsThatCannotWork) {
    ToolResult tiny = tamrix("cab -o t.cab --max-cabinet-size 1K --compress none in");
    EXPECT_EQ(1, tiny.status);
    EXPECT_NE(tiny.err.find("--max-cabinet-size 1024 is too small"), std::string::npos) << tiny.err;
    EXPECT_FALSE(fs::exists(root / "t.cab"));
    EXPECT_EQ(2, tamrix("cab -o t.cab --max-cabinet-size 64K --folder-size 32K in").status);
    EXPECT_EQ(2, tamrix("cab -o t.cab --max-cabinet-size 12 in").status);
    EXPECT_EQ(2, tamrix("cab -o t.cab --reserve 1,2 in").status);
    EXPECT_EQ(2, tamrix("cab -o t.cab --reserve 60001,0,0 in").status);
    EXPECT_EQ(2, tamrix("cab -o t.cab --reserve 0,256,0 in").status);
}

TEST_F(SetCommand, ReservedAreasAreWrittenAndSkipped) {
    ToolResult made = tamrix("cab -q -o r.cab --reserve 20,4,2 in");
    ASSERT_EQ(0, made.status) << made.err;
    const Bytes cabinet = read("r.cab");
    ASSERT_GT(cabinet.size(), 40u);
    EXPECT_EQ(0x0004, get16(cabinet, 30));  // flags: reserve present
    EXPECT_EQ(20, get16(cabinet, 36));
    EXPECT_EQ(4, cabinet[38]);
    EXPECT_EQ(2, cabinet[39]);
    // The folder table lies behind the 20 reserved bytes; its entry is 8 + 4 bytes long, and
    // the first data block's header 8 + 2.
    const size_t folder = 40 + 20;
    const uint32_t firstBlock = get32(cabinet, folder);
    const uint32_t filesOffset = get16(cabinet, 16);
    EXPECT_EQ(folder + 12, filesOffset);
    ASSERT_LT(firstBlock + 10u, cabinet.size());
    EXPECT_NE(0u, uint32_t(cabinet[firstBlock]) | cabinet[firstBlock + 1]);  // a checksum
    ToolResult extracted = tamrix("extract -q -d out r.cab");
    EXPECT_EQ(0, extracted.status) << extracted.err;
    EXPECT_EQ(read("in/big.bin"), read("out/big.bin"));
    // A set with reserves.
    EXPECT_EQ(0, tamrix("cab -q -o rs.cab --reserve 8,0,4 --max-cabinet-size 100K in").status);
    EXPECT_EQ(0, tamrix("test -q rs.cab").status);
}

TEST_F(SetCommand, PackageHoldsTheFirstCabinetAndTheStubReadsTheSet) {
    write("stub.exe", testStub());
    ToolResult made = tamrix(
        "pack --stub stub.exe -o p.exe --max-cabinet-size 100K "
        "--auto-confirm --no-dialog --no-open-folder --destination '" +
        windowsPath("ran") + "' in");
    ASSERT_EQ(0, made.status) << made.err;
    EXPECT_TRUE(fs::exists(root / "p2.cab")) << made.out;
    EXPECT_TRUE(fs::exists(root / "p3.cab")) << made.out;
    EXPECT_FALSE(fs::exists(root / "p4.cab")) << made.out;
    EXPECT_EQ(0, tamrix("test -q p.exe").status);

    ToolResult flow = run("p.exe");
    EXPECT_EQ(0, flow.status) << flow.out;
    for (std::string name : {"a.txt", "big.bin", "sub/c.bin", "sub/empty", "z.txt"}) {
        EXPECT_EQ(read("in/" + name), read("ran/" + name)) << name << "\n" << flow.out;
    }

    // The next cabinet missing: the stub asks again after each attempt until it is told to stop.
    fs::remove_all(root / "ran");
    fs::rename(root / "p2.cab", root / "p2.away");
    writeText("answers.txt", "wait\nwait\ncancel\n");
    flow = run("p.exe");
    size_t asked = 0;
    for (size_t at = flow.out.find("cabinet missing \"p2.cab\""); at != std::string::npos;
         at = flow.out.find("cabinet missing \"p2.cab\"", at + 1)) {
        ++asked;
    }
    EXPECT_EQ(3u, asked) << flow.out;
    EXPECT_EQ((std::vector<std::string>{"a.txt"}), filesBelow("ran")) << flow.out;
}

TEST_F(SetCommand, Utf8NamesForWhatTheCodePageCannotHold) {
    fs::remove_all(root / "in");
    write("u/\xE6\x97\xA5.txt", Bytes(3, 'j'));  // 日: not in code page 1252
    write("u/caf\xC3\xA9.txt", Bytes(2, 'c'));   // café: in it
    write("stub.exe", testStub());
    const std::string header = "--stub stub.exe --auto-confirm --no-dialog --no-open-folder ";
    ASSERT_EQ(0,
              tamrix("pack -q " + header + "-o u.exe --destination '" + windowsPath("ran") + "' u")
                  .status);
    ToolResult list = tamrix("list u.exe");
    EXPECT_NE(list.out.find("---a-u    \xE6\x97\xA5.txt"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("---a--    caf\xC3\xA9.txt"), std::string::npos) << list.out;

    // The stub on a Japanese system converts the UTF-8 name to its code page and writes it.
    ToolResult flow = run("u.exe", "--codepage 932");
    EXPECT_EQ(Bytes(3, 'j'), read("ran/\xE6\x97\xA5.txt")) << flow.out;
    // On a Western one the name has no form: skipped with the invalid-name message.
    fs::remove_all(root / "ran");
    flow = run("u.exe", "--codepage 1252");
    EXPECT_NE(flow.out.find("invalid filename.(skipped)"), std::string::npos) << flow.out;
    EXPECT_EQ((std::vector<std::string>{"caf\xC3\xA9.txt"}), filesBelow("ran")) << flow.out;

    // --codepage utf-8 marks every name; the stub converts each.
    ASSERT_EQ(0, tamrix("pack -q " + header + "--codepage utf-8 -o v.exe --destination '" +
                        windowsPath("v") + "' u")
                     .status);
    EXPECT_NE(tamrix("list v.exe").out.find("---a-u    caf\xC3\xA9.txt"), std::string::npos);
    run("v.exe", "--codepage 1252");
    EXPECT_EQ(Bytes(2, 'c'), read("v/caf\xC3\xA9.txt"));
    EXPECT_EQ(0, tamrix("extract -q -d w v.exe").status);
    EXPECT_EQ(Bytes(3, 'j'), read("w/\xE6\x97\xA5.txt"));
}

TEST_F(SetCommand, OutputsNeverOverwriteOrSwallowInputs) {
    writeText("x.txt", "keep me");
    ToolResult same = tamrix("cab -o x.txt x.txt");
    EXPECT_EQ(1, same.status);
    EXPECT_NE(same.err.find("refusing to overwrite"), std::string::npos) << same.err;
    EXPECT_EQ(Bytes({'k', 'e', 'e', 'p', ' ', 'm', 'e'}), read("x.txt"));

    write("s.exe", testStub());
    const Bytes stub = read("s.exe");
    EXPECT_EQ(1, tamrix("pack --stub s.exe -o s.exe in").status);
    EXPECT_EQ(stub, read("s.exe"));

    // The output inside the folder being packed, built twice (the second run finds the first's
    // cabinets there), and as a set: never packed itself.
    for (int pass = 0; pass < 2; ++pass) {
        ToolResult made = tamrix("cab -o in/self.cab --max-cabinet-size 100K in");
        ASSERT_EQ(0, made.status) << made.err;
        if (pass == 1) {
            EXPECT_NE(made.err.find("is this build's output"), std::string::npos);
        }
    }
    const std::string listing = tamrix("list --json in/self.cab").out;
    EXPECT_EQ(listing.find("self"), std::string::npos) << listing;
    EXPECT_EQ(0, tamrix("extract -q -d out in/self.cab").status);
    EXPECT_FALSE(fs::exists(root / "out/self2.cab"));
}

TEST_F(SetCommand, StoppedBuildLeavesNoTemporaryFile) {
    write("large/noise", noiseBytes(24 << 20, 9));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(root.c_str()) != 0) _exit(99);
        execl(TAMRIX_TOOL, TAMRIX_TOOL, "cab", "-q", "--compress", "lzx:21", "-o", "l.cab", "large",
              nullptr);
        _exit(98);
    }
    auto temporaryThere = [&] {
        for (const auto& entry : fs::directory_iterator(root)) {
            if (entry.path().filename().string().rfind(".l.cab.tmp-", 0) == 0) return true;
        }
        return false;
    };
    bool started = false;
    for (int i = 0; i < 3000 && !(started = temporaryThere()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(started);
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_FALSE(temporaryThere());
    EXPECT_FALSE(fs::exists(root / "l.cab"));
}

}  // namespace
}  // namespace tamrix::test
