// The after-actions: the setup command with and without waiting, the deletion of what was
// extracted and the removal of the folders that became empty.
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
    std::string package = writePackage(cabinetOf({{"setup.exe", setupScript()}, {"x.txt", readme}}),
                                       header);
    run(package, {});
    unsetenv("TMPDIR");
    // The setup ran in tmp/~setup1.exe, which is gone again.
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
    FlowResult result = run(writePackage(cabinetOf({{"setup.exe", setupScript()}, {"big", data}}),
                                         header),
                            {"stop 2"});
    EXPECT_TRUE(result.saw("click 2008 Cancel"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fileExists(folder.host("setup.log")));
    EXPECT_TRUE(fileExists(out("setup.exe")));  // nothing is deleted either
}

}  // namespace
}  // namespace tamrix::test
