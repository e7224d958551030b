// The after-actions: the setup command with and without waiting, the deletion of what was
// extracted and the removal of the folders that became empty.
#include <sys/stat.h>

#include <cstdlib>
#include <thread>

#include "platform/posix/sleep_control.h"
#include "tests/flow/flow_fixture.h"

namespace tamrix::test {
namespace {

class AfterActionsTest : public FlowTest {
  protected:
    void SetUp() override {
        FlowTest::SetUp();
        // The waits of the setup launch (a second's pause, seconds of probing) run a hundred times
        // faster here.
        platform::posix::setSleepScale(0.01);
        setenv("TAMRIX_SETUP_LOG", folder.host("setup.log").c_str(), 1);
    }
    void TearDown() override {
        platform::posix::setSleepScale(1.0);
        unsetenv("TAMRIX_SETUP_LOG");
    }

    // A setup program (a script, run through the shell) that records its arguments and folder and,
    // when TAMRIX_SETUP_KEEP is set, leaves a file of its own in keep/.
    static Bytes setupScript() {
        std::string text =
            "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$TAMRIX_SETUP_LOG.tmp\"\npwd >> "
            "\"$TAMRIX_SETUP_LOG.tmp\"\n"
            "[ -z \"$TAMRIX_SETUP_KEEP\" ] || { mkdir -p keep && echo extra > keep/extra.txt; }\n"
            "mv \"$TAMRIX_SETUP_LOG.tmp\" \"$TAMRIX_SETUP_LOG\"\n";
        return Bytes(text.begin(), text.end());
    }

    std::string setupLog() {
        for (int i = 0; i < 500 && !fileExists(folder.host("setup.log")); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Bytes log = readFile(folder.host("setup.log"));
        return std::string(log.begin(), log.end());
    }

    Bytes cabinet() {
        return cabinetOf({{"setup.exe", setupScript()},
                          {"top.txt", readme},
                          {"sub\\a.txt", readme},
                          {"sub\\deep\\b.txt", readme},
                          {".hidden\\c.txt", readme},
                          {"keep\\d.txt", readme}});
    }
};

TEST_F(AfterActionsTest, SetupRunsInTheDestinationWithItsParameters) {
    HeaderFields header;
    header.destination = folder.windows("out");
    header.skipDestinationDialog = header.autoConfirm = 1;
    header.openFolderAfter = 1;  // never used when a setup command is set
    header.setupCommand = "setup.exe /quiet now";
    FlowResult result = run(writePackage(cabinet(), header), {});
    EXPECT_EQ("/quiet\nnow\n" + out().substr(0, out().size() - 1) + "\n", setupLog());
    EXPECT_FALSE(result.saw("shell open"));
    EXPECT_TRUE(fileExists(out("sub/deep/b.txt")));  // nothing deleted without the flag
}

TEST_F(AfterActionsTest, DeleteAfterSetupRemovesFilesAndEmptiedFolders) {
    HeaderFields header;
    header.destination = folder.windows("out");
    header.skipDestinationDialog = header.autoConfirm = 1;
    header.setupCommand = "setup.exe";
    header.deleteAfterSetup = 1;
    setenv("TAMRIX_SETUP_KEEP", "1", 1);
    run(writePackage(cabinet(), header), {});
    unsetenv("TAMRIX_SETUP_KEEP");
    // No parameters: printf prints one empty line.
    EXPECT_EQ("\n" + out().substr(0, out().size() - 1) + "\n", setupLog());
    for (const char* gone : {"setup.exe", "top.txt", "sub", ".hidden", "keep/d.txt"}) {
        EXPECT_FALSE(fileExists(out(gone))) << gone;
    }
    // The setup's own file keeps its folder; the destination itself is never removed.
    EXPECT_TRUE(fileExists(out("keep/extra.txt")));
    EXPECT_TRUE(fileExists(out()));
}

TEST_F(AfterActionsTest, TempMacroWithDeletionUsesAFolderOfThePackagesOwn) {
    std::filesystem::create_directory(folder.host("tmp"));
    setenv("TMPDIR", folder.host("tmp").c_str(), 1);
    HeaderFields header;
    header.destination = "%temp%";
    header.skipDestinationDialog = header.autoConfirm = 1;
    header.setupCommand = "setup.exe";
    header.deleteAfterSetup = 1;
    std::string package = writePackage(
        cabinetOf({{"setup.exe", setupScript()}, {"x.txt", readme}, {"sub\\y.txt", readme}}),
        header);
    run(package, {});
    unsetenv("TMPDIR");
    // The setup ran in tmp/~setup1.exe, which is gone again after its contents.
    EXPECT_EQ("\n" + folder.host("tmp/~setup1.exe") + "\n", setupLog());
    EXPECT_FALSE(fileExists(folder.host("tmp/~setup1.exe")));
    EXPECT_TRUE(fileExists(folder.host("tmp")));
}

TEST_F(AfterActionsTest, CancelledExtractionRunsNoSetup) {
    HeaderFields header;
    header.destination = folder.windows("out");
    header.skipDestinationDialog = header.autoConfirm = 1;
    header.setupCommand = "setup.exe";
    header.deleteAfterSetup = 1;
    FlowResult result = run(
        writePackage(cabinetOf({{"setup.exe", setupScript()}, {"big", data}}), header), {"stop 2"});
    EXPECT_TRUE(result.saw("click 2008 Cancel"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fileExists(folder.host("setup.log")));
    EXPECT_TRUE(fileExists(out("setup.exe")));  // nothing is deleted either
}

// The program ends after its name; neither dots nor backslashes in the parameters move it or its
// working folder, and with the deletion after setup on it really runs before anything goes.
TEST_F(AfterActionsTest, SetupLinesSplitWhereAUserExpects) {
    HeaderFields header;
    header.destination = folder.windows("out");
    header.skipDestinationDialog = header.autoConfirm = 1;
    header.deleteAfterSetup = 1;
    header.setupCommand = "setup.exe /log=inst.log";
    run(writePackage(cabinet(), header), {});
    std::string outFolder = out().substr(0, out().size() - 1);
    EXPECT_EQ("/log=inst.log\n" + outFolder + "\n", setupLog());
    std::filesystem::remove(folder.host("setup.log"));

    header.setupCommand = "setup.exe /s /f1c:\\x\\setup.iss";
    run(writePackage(cabinet(), header), {});
    EXPECT_EQ("/s\n/f1c:\\x\\setup.iss\n" + outFolder + "\n", setupLog());
    std::filesystem::remove(folder.host("setup.log"));

    header.setupCommand = "\"My Setup\\setup.exe\" /q";
    run(writePackage(cabinetOf({{"My Setup\\setup.exe", setupScript()}}), header), {});
    EXPECT_EQ("/q\n" + out("My Setup") + "\n", setupLog());
}

// The slash inside a quoted /E value is the setup program's: it neither turns on the deletion
// after setup (/d) nor takes the package path that follows.
TEST_F(AfterActionsTest, SetupCommandOnTheCommandLineKeepsItsOwnOptions) {
    std::string inner = writePackage(cabinetOf({{"setup.exe", setupScript()}, {"a.txt", readme}}),
                                     {}, true, "inner.exe");
    std::string outer = writePackage(cabinetOf({{"z.txt", readme}}), {}, true, "outer.exe");
    FlowResult result = run(outer, {"ok " + folder.windows("out"), "ok"},
                            "/E:\"setup.exe /debug\" " + folder.windows("pkg\\inner.exe"));
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ("/debug\n" + out().substr(0, out().size() - 1) + "\n", setupLog());
    EXPECT_TRUE(fileExists(out("a.txt")));  // nothing deleted
    EXPECT_FALSE(fileExists(out("z.txt")));
}

// The deletion after setup removes the folders the run created and nothing the user had before:
// the user's empty and read-only folders stay as they were, and so does a folder the run wrote
// into.
TEST_F(AfterActionsTest, DeletionLeavesTheUsersOwnFoldersAlone) {
    std::filesystem::create_directories(out("mine/empty"));
    std::filesystem::create_directories(out("ro"));
    std::filesystem::create_directories(out("sub"));
    chmod(out("ro").c_str(), 0555);
    HeaderFields header;
    header.destination = folder.windows("out");
    header.skipDestinationDialog = header.autoConfirm = 1;
    header.setupCommand = "setup.exe";
    header.deleteAfterSetup = 1;
    run(writePackage(cabinet(), header), {});
    setupLog();
    struct stat info = {};
    ASSERT_EQ(0, stat(out("ro").c_str(), &info));
    EXPECT_EQ(0555u, info.st_mode & 07777);
    EXPECT_TRUE(fileExists(out("mine/empty")));
    EXPECT_TRUE(fileExists(out("sub")));  // it was there before; its new sub-folder is not
    EXPECT_FALSE(fileExists(out("sub/deep")));
    EXPECT_FALSE(fileExists(out(".hidden")));
    EXPECT_FALSE(fileExists(out("keep")));
    chmod(out("ro").c_str(), 0755);
}

// A header that extracts to out/ without the dialog and without questions, and runs setup.exe.
HeaderFields setupHeader(const TempFolder& folder, uint32_t deleteAfterSetup) {
    HeaderFields header;
    header.destination = folder.windows("out");
    header.skipDestinationDialog = header.autoConfirm = 1;
    header.openFolderAfter = 1;
    header.setupCommand = "setup.exe";
    header.deleteAfterSetup = deleteAfterSetup;
    return header;
}

constexpr const char* kExtractionFailed =
    "messagebox caption=\"ZER-AVE\" icon=error buttons=OK text=\"Extraction failed. Some files "
    "could not be extracted.\"";

// The setup program and a first file are complete in the first block; the second block of big.bin
// fails its checksum.
Bytes damagedCabinet(const Bytes& setup, const Bytes& big) {
    StoredLayout layout = layOutStored({{"setup.exe", setup}, {"bin\\big.bin", big}});
    layout.folder.blocks[1].checksumXor = 1;
    TestCabinet testCabinet;
    testCabinet.folders = {layout.folder};
    testCabinet.files = layout.files;
    return buildCabinet(testCabinet);
}

// A damaged cabinet is reported, and nothing that assumes a complete extraction follows.
TEST_F(AfterActionsTest, DamagedCabinetIsReportedAndSkipsEveryAfterAction) {
    HeaderFields header = setupHeader(folder, 0);
    header.setupCommand = "";
    FlowResult opened = run(writePackage(damagedCabinet(setupScript(), data), header), {});
    EXPECT_EQ(1, opened.exitCode);
    EXPECT_TRUE(opened.saw(kExtractionFailed));
    EXPECT_FALSE(opened.saw("shell open"));
    EXPECT_FALSE(opened.saw("beep"));
    // Files extracted before the failure stay; the one in flight does not.
    EXPECT_TRUE(fileExists(out("setup.exe")));
    EXPECT_FALSE(fileExists(out("bin/big.bin")));

    FlowResult withSetup =
        run(writePackage(damagedCabinet(setupScript(), data), setupHeader(folder, 0)), {});
    EXPECT_EQ(1, withSetup.exitCode);
    EXPECT_TRUE(withSetup.saw(kExtractionFailed));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fileExists(folder.host("setup.log")));
    EXPECT_TRUE(fileExists(out("setup.exe")));
}

// What was extracted only for the setup program goes again, with the folders the run created.
TEST_F(AfterActionsTest, DamagedCabinetWithDeleteAfterSetupIsCleanedUp) {
    FlowResult result =
        run(writePackage(damagedCabinet(setupScript(), data), setupHeader(folder, 1)), {});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_TRUE(result.saw(kExtractionFailed));
    EXPECT_FALSE(fileExists(folder.host("setup.log")));
    EXPECT_FALSE(fileExists(out()));
}

// A folder where a file should go: asked about like an existing file, then a visible failure.
TEST_F(AfterActionsTest, FolderInTheWayFailsVisibly) {
    HeaderFields header = setupHeader(folder, 0);
    header.autoConfirm = 0;
    std::filesystem::create_directories(out("setup.exe"));
    FlowResult result = run(writePackage(cabinet(), header), {"yes"});
    EXPECT_TRUE(result.saw("dialog 2007"));
    EXPECT_EQ(1, result.exitCode);
    EXPECT_TRUE(result.saw(kExtractionFailed));
    EXPECT_FALSE(fileExists(folder.host("setup.log")));
}

TEST_F(AfterActionsTest, CompleteRunAndUsersStopExitWithZero) {
    FlowResult complete = run(writePackage(cabinet(), setupHeader(folder, 0)), {});
    EXPECT_EQ(0, complete.exitCode);
    EXPECT_FALSE(complete.saw("Extraction failed"));
    FlowResult stopped = run(writePackage(cabinet(), setupHeader(folder, 0)), {"stop 2"});
    EXPECT_TRUE(stopped.saw("click 2008 Cancel"));
    EXPECT_EQ(0, stopped.exitCode);
    EXPECT_FALSE(stopped.saw("Extraction failed"));
}

}  // namespace
}  // namespace tamrix::test
