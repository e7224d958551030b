// tamrix extract: choosing entries, where the bytes go, output folders, names from outside,
// standard input, and what an interruption leaves.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/tool/tool_fixture.h"

namespace tamrix::test {
namespace {

namespace fs = std::filesystem;

class ExtractCommand : public ToolCommandTest {
  protected:
    void SetUp() override {
        ToolCommandTest::SetUp();
        write("x.cab", storedCabinetOf({{"docs\\a.txt", Bytes(5, 'a')},
                                        {"docs\\B.TXT", Bytes(3, 'b')},
                                        {"bin\\x.exe", Bytes(4, 'x')},
                                        {"readme", Bytes(2, 'r')}}));
    }
};

TEST_F(ExtractCommand, PatternsChooseByFullName) {
    ToolResult run = tamrix("extract -v -d out x.cab '*.txt' 'READ?E'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ((std::vector<std::string>{"docs/B.TXT", "docs/a.txt", "readme"}), filesBelow("out"));
    // -v names each file written, with its path.
    EXPECT_NE(run.out.find("out/docs/a.txt\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3 files extracted"), std::string::npos) << run.out;

    run = tamrix("extract -q -L -d low x.cab 'docs\\*'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ((std::vector<std::string>{"docs/a.txt", "docs/b.txt"}), filesBelow("low"));

    // Nothing matches: success, and no folder is made for nothing.
    run = tamrix("extract -d none x.cab 'nothing*'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_FALSE(fs::exists(root / "none"));
}

TEST_F(ExtractCommand, StdoutCarriesOnlyTheSelectedBytes) {
    ToolResult run = tamrix("extract -p x.cab 'docs/*'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("aaaaabbb", run.out);
    EXPECT_EQ("", run.err);
    run = tamrix("extract --stdout -v x.cab readme");
    EXPECT_EQ("rr", run.out);
    EXPECT_NE(run.err.find("readme"), std::string::npos);  // -v goes to stderr then
    EXPECT_EQ((std::vector<std::string>{"x.cab"}), filesBelow("."));
}

TEST_F(ExtractCommand, OutputFolderLevelsAndWhatIsInTheWay) {
    EXPECT_EQ(0, tamrix("extract -q -d a/b/c x.cab readme").status);
    EXPECT_EQ(Bytes(2, 'r'), read("a/b/c/readme"));

    // A file where a level of -d should be: named with the system's reason.
    writeText("plain", "p");
    ToolResult run = tamrix("extract -q -d plain/sub x.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(run.err.find("'plain/sub'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Not a directory"), std::string::npos) << run.err;

    // A folder with an entry's name: said so, not "use --overwrite"; the rest is extracted.
    fs::create_directories(root / "f/readme");
    run = tamrix("extract -q -d f x.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(run.err.find("'f/readme' is a folder"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("--overwrite"), std::string::npos) << run.err;
    EXPECT_EQ((std::vector<std::string>{"bin/x.exe", "docs/B.TXT", "docs/a.txt"}), filesBelow("f"));

    // Input that holds no cabinet: nothing is created.
    writeText("not.cab", std::string(5000, 'n'));
    run = tamrix("extract -d made/here not.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_FALSE(fs::exists(root / "made"));
}

TEST_F(ExtractCommand, KeepGoingSkipsWhatCannotBeWritten) {
    write("k.cab", storedCabinetOf({{"sub\\x", Bytes(1, '1')}, {"y", Bytes(1, '2')}}));
    writeText("k/sub", "a file where a folder should be");
    ToolResult run = tamrix("extract -q -d k k.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(run.err.find("'k/sub' is in the way"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(root / "k/y"));  // stopped at the first failure

    run = tamrix("extract -q --keep-going -d k k.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(run.err.find("'k/sub' is in the way"), std::string::npos) << run.err;
    EXPECT_EQ(Bytes(1, '2'), read("k/y"));
}

TEST_F(ExtractCommand, ControlCharactersAreEscapedAndReplaced) {
    write("c.cab", storedCabinetOf({{"bad\nname\x1B[2J", Bytes(1, 'c')}}));
    ToolResult run = tamrix("extract -d o c.cab");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ((std::vector<std::string>{"bad_name_[2J"}), filesBelow("o"));
    EXPECT_NE(run.err.find("'bad\\nname\\x1B[2J' written as 'bad_name_[2J'"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find('\x1B'), std::string::npos);
    ToolResult list = tamrix("list c.cab");
    EXPECT_NE(list.out.find("bad\\nname\\x1B[2J\n"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find('\x1B'), std::string::npos);

    // The engine's own errors name cabinets escaped too: here a missing next cabinet.
    StoredLayout layout = layOutStored({{"run", patternBytes(40000, 1)}});
    TestCabinet first;
    first.nextCabinet = "evil\x1B]0;title\x07.cab";
    first.nextDisk = "";
    first.folders.push_back(folderOf({layout.folder.blocks[0]}));
    first.files = {TestFile{"run", 40000, 0, 0xFFFE}};
    write("first.cab", buildCabinet(first));
    run = tamrix("extract --force -d b first.cab");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(run.err.find("'evil\\x1B]0;title\\x07.cab'"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\x1B'), std::string::npos);
}

TEST_F(ExtractCommand, StandardInputAsDash) {
    ToolResult run = tamrix("extract -q -d in - readme", "x.cab");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(Bytes(2, 'r'), read("in/readme"));
    // Through a pipe, which cannot be sought: kept aside without a name.
    const std::string piped = "cd '" + root.string() + "' && cat x.cab | " + TAMRIX_TOOL +
                              " extract -q -d piped - >/dev/null 2>&1";
    EXPECT_EQ(0, std::system(piped.c_str()));
    EXPECT_EQ(4u, filesBelow("piped").size());
    EXPECT_EQ(0, tamrix("test -q -", "x.cab").status);
    EXPECT_NE(tamrix("list -", "x.cab").out.find("docs\\B.TXT"), std::string::npos);
    writeText("junk", "no cabinet");
    ToolResult junk = tamrix("test -", "junk");
    EXPECT_EQ(1, junk.status);
    EXPECT_NE(junk.err.find("no cabinet found in 'standard input'"), std::string::npos) << junk.err;
}

TEST_F(ExtractCommand, StoppedMidFileLeavesOnlyCompleteFiles) {
    // "span" runs into two.cab, which is a named pipe: opening it blocks until SIGTERM comes.
    const Bytes stream = patternBytes(50000, 3);
    std::vector<TestBlock> blocks = storedBlocks(stream);
    TestCabinet one;
    one.nextCabinet = "two.cab";
    one.nextDisk = "";
    one.folders.push_back(folderOf({blocks[0]}));
    TestFile done{"done", 1000, 0, 0};
    TestFile span{"span", 49000, 1000, 0xFFFE};
    one.files = {done, span};
    write("one.cab", buildCabinet(one));
    ASSERT_EQ(0, mkfifo(at("two.cab").c_str(), 0600));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (chdir(root.c_str()) != 0) _exit(99);
        execl(TAMRIX_TOOL, TAMRIX_TOOL, "extract", "-q", "--force", "-d", "out", "one.cab",
              nullptr);
        _exit(98);
    }
    // Wait until the tool sits in the middle of "span": "done" complete under its name (its own
    // temporary file comes first, so a temporary file alone is not enough) and span's begun.
    bool writing = false;
    for (int i = 0; i < 3000 && !writing; ++i) {
        bool doneComplete = false, spanBegun = false;
        for (const std::string& name : filesBelow("out")) {
            doneComplete |= name == "done";
            spanBegun |= name.rfind(".tamrix-", 0) == 0;
        }
        writing = doneComplete && spanBegun;
        if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(writing);
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ((std::vector<std::string>{"done"}), filesBelow("out"));
}

}  // namespace
}  // namespace tamrix::test
