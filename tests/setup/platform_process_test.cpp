#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_times.h"
#include "platform/filesystem.h"
#include "platform/posix/command_line_args.h"
#include "platform/posix/desktop.h"
#include "platform/posix/interaction.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "tests/setup/script_files.h"
#include "tests/support/temp_folder.h"

namespace tamrix::platform {
namespace {

using test::readLines;
using test::reportingBody;
using test::writeScript;

// The system refuses a DOS stamp that names no real moment, and the file keeps its time; a
// valid one is set as local time.
TEST(FileTimes, ImpossibleDosStampLeavesTheTimeAlone) {
    test::TempFolder folder;
    std::string path = folder.host("f.txt");
    test::writeFile(path, {1});
    std::string windowsPath = folder.windows("f.txt");
    const auto before = std::filesystem::last_write_time(path);
    const uint16_t impossible[][2] = {{0, 0},                          // month 0, day 0
                                      {(45 << 9) | (2 << 5) | 30, 0},  // 30 February
                                      {(44 << 9) | (13 << 5) | 1, 0},  // month 13
                                      {(45 << 9) | (1 << 5) | 1, 24 << 11}};
    for (const auto& stamp : impossible) {
        setFileDosTime(windowsPath.c_str(), stamp[0], stamp[1]);
        EXPECT_EQ(before, std::filesystem::last_write_time(path)) << stamp[0] << " " << stamp[1];
    }
    setFileDosTime(windowsPath.c_str(), (44 << 9) | (2 << 5) | 29, 0);  // 29 February 2024
    EXPECT_NE(before, std::filesystem::last_write_time(path));
}

TEST(CommandLineArguments, SplitLikeTheRuntimeLibrary) {
    struct Case {
        const char* text;
        std::vector<std::string> arguments;
    } cases[] = {
        {"", {}},
        {"  a \t b  ", {"a", "b"}},
        {"\"C:\\Program Files\\x\" /q", {"C:\\Program Files\\x", "/q"}},
        {"a\\\\b c\\", {"a\\\\b", "c\\"}},
        {"\"a\\\"b\" \\\\\"c d\"", {"a\"b", "\\c d"}},
        {"\"\" x", {"", "x"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"ab\"c d\"e", {"abc de"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(posix::splitCommandLineArguments(c.text), c.arguments) << c.text;
    }
}

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directory(temp.host("work")); }

    bool start(const std::string& file, const char* parameters = nullptr,
               const std::string& directory = "") {
        record = {
            kShellExecuteRecordSize, kMaskNoCloseProcess, nullptr, "open", file.c_str(), parameters,
            directory.c_str(),       kShowDefault,        nullptr};
        return shellExecuteEx(record);
    }
    std::string report() const { return temp.host("report.txt"); }
    bool waitForReport() const {
        for (int i = 0; i < 500 && !test::fileExists(report()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return test::fileExists(report());
    }

    test::TempFolder temp;
    ShellExecuteRecord record;
};

TEST_F(ShellTest, ExitCodeIsStillActiveUntilTheProgramEnds) {
    writeScript(temp.host("prog"), "sleep 0.2\nexit 7");
    ASSERT_TRUE(start(temp.windows("prog")));
    ASSERT_NE(record.process, nullptr);
    uint32_t code = 0;
    EXPECT_EQ(waitForInputIdle(record.process, kInfinite), 0u);
    ASSERT_TRUE(getExitCodeProcess(record.process, &code));
    EXPECT_EQ(code, kStillActive);
    EXPECT_EQ(waitForProcess(record.process, 0), kWaitTimeout);
    EXPECT_EQ(waitForProcess(record.process, kInfinite), kWaitSignalled);
    EXPECT_EQ(waitForProcess(record.process, 0), kWaitSignalled);
    ASSERT_TRUE(getExitCodeProcess(record.process, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(closeProcessHandle(record.process));
}

TEST_F(ShellTest, ProgramGetsItsParametersAndWorkingFolder) {
    writeScript(temp.host("prog"), reportingBody(report()));
    ASSERT_TRUE(start(temp.windows("prog"), "one \"two three\"", temp.windows("work") + "\\"));
    EXPECT_EQ(waitForProcess(record.process, kInfinite), kWaitSignalled);
    closeProcessHandle(record.process);
    EXPECT_EQ(readLines(report()),
              (std::vector<std::string>{test::physical(temp.host("work")), "one", "two three"}));
}

TEST_F(ShellTest, StartsThatFail) {
    writeScript(temp.host("prog"), "exit 0");
    test::writeFile(temp.host("notes.txt"), {'x'});
    test::writeFile(temp.host("broken"), {'M', 'Z', 0, 0});
    ::chmod(temp.host("broken").c_str(), 0755);
    test::ScopedEnvironment display("DISPLAY", nullptr);
    test::ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);

    EXPECT_FALSE(start(temp.windows("missing")));
    EXPECT_FALSE(start(temp.windows("prog"), nullptr, temp.windows("no-such-folder")));
    // A file the system cannot execute (a Windows program, say).
    EXPECT_FALSE(start(temp.windows("broken")));
    // A document without a desktop to open it on.
    EXPECT_FALSE(start(temp.windows("notes.txt")));
    EXPECT_EQ(record.process, nullptr);
}

TEST_F(ShellTest, DocumentsAndFoldersGoToTheDesktopOpener) {
    std::filesystem::create_directory(temp.host("bin"));
    writeScript(temp.host("bin/xdg-open"), reportingBody(report()));
    test::writeFile(temp.host("notes.txt"), {'x'});
    test::ScopedEnvironment path("PATH", temp.host("bin").c_str());
    test::ScopedEnvironment display("DISPLAY", ":99");

    ASSERT_TRUE(start(temp.windows("notes.txt"), nullptr, temp.windows("work")));
    EXPECT_EQ(waitForProcess(record.process, kInfinite), kWaitSignalled);
    closeProcessHandle(record.process);
    EXPECT_EQ(readLines(report()), (std::vector<std::string>{test::physical(temp.host("work")),
                                                             temp.host("notes.txt")}));
    std::filesystem::remove(report());

    testing::internal::CaptureStdout();
    posix::openFolderOnDesktop((temp.windows("work") + "\\").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_TRUE(waitForReport());
    EXPECT_EQ(readLines(report()).at(1), temp.host("work") + "/");
}

TEST_F(ShellTest, FolderIsPrintedWithoutDisplay) {
    test::ScopedEnvironment display("DISPLAY", "");
    test::ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
    testing::internal::CaptureStdout();
    posix::openFolderOnDesktop((temp.windows("work") + "\\").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Extracted to " + temp.host("work") + "/\n");
}

TEST_F(ShellTest, OpeningTheFolderInTheShellIsTheInteractionsBusiness) {
    struct Recorder : posix::Interaction {
        int messageBox(const char*, const char*, uint32_t) override { return kIdOk; }
        void openFolder(const char* folder) override { opened = folder; }
        std::string opened;
    } recorder;
    posix::setInteraction(&recorder);
    testing::internal::CaptureStdout();
    openFolderInShell("Z:\\x\\");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    posix::setInteraction(nullptr);
    EXPECT_EQ(recorder.opened, "Z:\\x\\");
}

TEST_F(ShellTest, ShortPathOfAnExistingPath) {
    std::string path = temp.windows("work");
    char out[256];
    EXPECT_EQ(getShortPathName(path.c_str(), out, sizeof out), path.size());
    EXPECT_EQ(std::string(out), path);
    EXPECT_EQ(getShortPathName(path.c_str(), out, uint32_t(path.size())), 0u);
    EXPECT_EQ(getShortPathName(temp.windows("missing").c_str(), out, sizeof out), 0u);
}

}  // namespace
}  // namespace tamrix::platform
