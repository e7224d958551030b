#include "app/setup_launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/posix/codepage.h"
#include "platform/posix/process_control.h"
#include "platform/posix/sleep_control.h"
#include "platform/posix/test_windows.h"
#include "tests/setup/script_files.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using platform::posix::registerTestWindow;
using platform::posix::unregisterTestWindow;
using test::physical;
using test::readLines;
using test::reportingBody;
using test::writeScript;
using Runs = std::vector<std::pair<uint32_t, uint32_t>>;  // (pause, how many in a row)

class SetupLaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(temp.host("dest"));
        destination = temp.windows("dest") + "\\";
        platform::posix::setSleepScale(0.01);
        platform::posix::setSleepObserver([this](uint32_t milliseconds) {
            pauses.push_back(milliseconds);
            if (onPause) onPause(milliseconds);
        });
    }
    void TearDown() override {
        platform::posix::setSleepObserver({});
        platform::posix::setSleepScale(1);
        platform::posix::setInputIdleWaitsForEnd(false);
        for (int32_t id : windows) unregisterTestWindow(id);
    }

    void run(const std::string& command, uint32_t waitFlag = 1) {
        runSetupCommand(command.c_str(), destination.c_str(), waitFlag);
    }
    std::string dest(const std::string& name = "") const {
        return temp.host(name.empty() ? "dest" : "dest/" + name);
    }
    std::string report() const { return temp.host("report.txt"); }
    int32_t addWindow(const char* className, const char* title) {
        windows.push_back(registerTestWindow(className, title));
        return windows.back();
    }

    // The pauses taken, as runs of equal pauses.
    Runs runs(size_t from = 0) const {
        Runs result;
        for (size_t i = from; i < pauses.size(); ++i) {
            if (!result.empty() && result.back().first == pauses[i]) {
                ++result.back().second;
            } else {
                result.push_back({pauses[i], 1});
            }
        }
        return result;
    }
    // Pauses from the settle pause on (skips the polls while the process ran).
    Runs runsAfterProcess() const {
        size_t first = 0;
        while (first < pauses.size() && pauses[first] == 100) ++first;
        return runs(first);
    }

    test::TempFolder temp;
    std::string destination;
    std::vector<uint32_t> pauses;
    std::function<void(uint32_t)> onPause;
    std::vector<int32_t> windows;
};

TEST_F(SetupLaunchTest, ProgramWithParametersRunsInTheDestination) {
    // "/s" holds a slash: it must not become part of the working folder.
    writeScript(dest("Setup.EXE"), reportingBody(report()));
    run("Setup.EXE /s -log x");
    EXPECT_EQ(readLines(report()), (std::vector<std::string>{physical(dest()), "/s", "-log", "x"}));
}

TEST_F(SetupLaunchTest, ProgramInSubfolderRunsInThatSubfolder) {
    std::filesystem::create_directory(dest("bin"));
    writeScript(dest("bin/setup.exe"), reportingBody(report()));
    run("bin\\setup.exe a b");
    EXPECT_EQ(readLines(report()), (std::vector<std::string>{physical(dest("bin")), "a", "b"}));
}

TEST_F(SetupLaunchTest, TrailByteBackslashDoesNotSplitTheFolder) {
    // Code page 932: the second byte of "\x83\x5C" is 0x5C, which is not a separator.
    ASSERT_TRUE(platform::posix::setAnsiCodePage(932));
    std::filesystem::create_directory(dest("\u30BD\u30D5\u30C8"));
    writeScript(dest("\u30BD\u30D5\u30C8/\u30BD.exe"), reportingBody(report()));
    run("\x83\x5C\x83\x74\x83\x67\\\x83\x5C.exe a");
    platform::posix::setAnsiCodePage(1252);
    EXPECT_EQ(readLines(report()),
              (std::vector<std::string>{physical(dest("\u30BD\u30D5\u30C8")), "a"}));
}

TEST_F(SetupLaunchTest, ExeAloneAndParametersWithDotsAndBackslashes) {
    writeScript(dest("setup.exe"), reportingBody(report()));
    run("setup.exe");
    EXPECT_EQ(readLines(report()), (std::vector<std::string>{physical(dest())}));
    std::filesystem::remove(report());

    // Neither the dot nor the backslash of the parameters moves the program or its folder.
    run("setup.exe /log=inst.log /f1c:\\x\\setup.iss");
    EXPECT_EQ(readLines(report()),
              (std::vector<std::string>{physical(dest()), "/log=inst.log", "/f1c:\\x\\setup.iss"}));
}

TEST_F(SetupLaunchTest, QuotedProgramWithBlanksRunsInItsFolder) {
    std::filesystem::create_directory(dest("My Setup"));
    writeScript(dest("My Setup/setup.exe"), reportingBody(report()));
    run("\"My Setup\\setup.exe\"  /q");
    EXPECT_EQ(readLines(report()), (std::vector<std::string>{physical(dest("My Setup")), "/q"}));
}

struct Split {
    std::string program;
    const char* parameters;
};

Split split(const char* command) {
    SetupCommandParts parts = splitSetupCommand(command);
    return {std::string(parts.program, parts.programLength), parts.parameters};
}

TEST(SplitSetupCommand, ProgramEndsAfterAKnownExtensionOrAtTheFirstBlank) {
    EXPECT_EQ("setup.exe", split("setup.exe /log=inst.log").program);
    EXPECT_STREQ("/log=inst.log", split("setup.exe /log=inst.log").parameters);
    EXPECT_EQ("Program Files\\App\\Setup.MSI", split("Program Files\\App\\Setup.MSI /qn").program);
    EXPECT_EQ("run.cmd", split("run.cmd").program);
    EXPECT_EQ(nullptr, split("run.cmd").parameters);
    EXPECT_EQ(nullptr, split("run.cmd   ").parameters);
    EXPECT_EQ("drivers\\x.inf", split("drivers\\x.inf").program);
    // Without a known extension the first blank ends the program.
    EXPECT_EQ("readme.txt", split("readme.txt").program);
    EXPECT_EQ("start", split("start here.txt").program);
    EXPECT_STREQ("here.txt", split("start here.txt").parameters);
    // Quoted: the quotes decide, whatever the name ends in.
    EXPECT_EQ("My Files\\read me.txt", split("\"My Files\\read me.txt\"").program);
    EXPECT_STREQ("a.exe b", split("\"x y\" a.exe b").parameters);
    EXPECT_EQ("no end", split("\"no end").program);
    EXPECT_EQ("", split("").program);
}

TEST_F(SetupLaunchTest, InfInCapitalsGoesToTheInstallerWithItsShortPath) {
    std::filesystem::create_directories(dest("drivers"));
    test::writeFile(dest("drivers/SETUP.INF"), {'[', ']'});
    std::filesystem::create_directories(temp.host("bin32"));
    std::filesystem::create_directories(temp.host("bin16"));
    writeScript(temp.host("bin32/rundll32.exe"), reportingBody(report()));
    writeScript(temp.host("bin16/rundll.exe"), reportingBody(report()));
    std::string infPath = destination + "drivers\\SETUP.INF";
    {
        test::ScopedEnvironment path("PATH", temp.host("bin32").c_str());
        run("drivers\\SETUP.INF");
    }
    EXPECT_EQ(readLines(report()),
              (std::vector<std::string>{physical(dest("drivers")), "setupapi,InstallHinfSection",
                                        "DefaultInstall", "132", infPath}));
    std::filesystem::remove(report());
    {
        // Without rundll32.exe on the search path, the older installer.
        test::ScopedEnvironment path("PATH", temp.host("bin16").c_str());
        run("drivers\\SETUP.INF");
    }
    EXPECT_EQ(readLines(report()),
              (std::vector<std::string>{physical(dest("drivers")), "setupx.dll,InstallHinfSection",
                                        "DefaultInstall", "132", infPath}));
}

TEST_F(SetupLaunchTest, LauncherThatEndsAtOnceGetsTheLongProbe) {
    platform::posix::setSleepScale(0);
    platform::posix::setInputIdleWaitsForEnd(true);
    writeScript(dest("launch.exe"), "exit 3");

    // No installer window at all: 1 s settle, then 3,000 probes of 10 ms.
    run("launch.exe");
    EXPECT_EQ(runs(), (Runs{{1000, 1}, {10, 3000}}));

    // The installer window appears after 1,500 probes, more than a running setup would get, and
    // closes during the fifth 100 ms poll.
    pauses.clear();
    int probes = 0, polls = 0, window = 0;
    onPause = [&](uint32_t milliseconds) {
        if (milliseconds == 10 && ++probes == 1500) window = addWindow("InstallShield_Win", "x");
        if (milliseconds == 100 && ++polls == 5) unregisterTestWindow(window);
    };
    run("launch.exe");
    EXPECT_EQ(runs(), (Runs{{1000, 1}, {10, 1500}, {100, 5}}));
}

TEST_F(SetupLaunchTest, RunningSetupWithoutWindowIsWaitedForThenProbedBriefly) {
    writeScript(dest("setup.exe"), reportingBody(report(), "sleep 0.3"));
    run("setup.exe");
    // The report is written as the script ends: the process was waited for.
    EXPECT_TRUE(test::fileExists(report()));
    ASSERT_FALSE(pauses.empty());
    EXPECT_EQ(pauses[0], 100u);
    EXPECT_EQ(runsAfterProcess(), (Runs{{1000, 1}, {10, 200}}));
}

TEST_F(SetupLaunchTest, WindowFoundByTitleIsWaitedForUntilItCloses) {
    writeScript(dest("setup.exe"), "sleep 0.1");
    addWindow("Notepad", "readme.txt - Notepad");
    int probes = 0, polls = 0, window = 0;
    bool afterSettle = false;
    onPause = [&](uint32_t milliseconds) {
        afterSettle |= milliseconds == 1000;
        if (milliseconds == 10 && ++probes == 50) window = addWindow("SomeInstallerFrame", "Setup");
        if (afterSettle && milliseconds == 100 && ++polls == 3) unregisterTestWindow(window);
    };
    run("setup.exe");
    EXPECT_EQ(runsAfterProcess(), (Runs{{1000, 1}, {10, 50}, {100, 3}}));
}

TEST_F(SetupLaunchTest, WithoutWaitFlagReturnsAtOnceAndLeavesNoZombie) {
    std::string pidFile = temp.host("pid.txt");
    writeScript(dest("setup.exe"),
                reportingBody(report(), "echo $$ > '" + pidFile + "'\nsleep 0.2"));
    run("setup.exe", 0);
    EXPECT_TRUE(pauses.empty());
    EXPECT_FALSE(test::fileExists(report()));

    auto waitUntil = [](const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return done();
    };
    ASSERT_TRUE(waitUntil([&] { return test::fileExists(report()); }));
    std::vector<std::string> pid = readLines(pidFile);
    ASSERT_EQ(pid.size(), 1u);
    // Once ended, the child is collected: no zombie stays in the process table.
    EXPECT_TRUE(waitUntil([&] { return !test::fileExists("/proc/" + pid[0]); }));
}

TEST_F(SetupLaunchTest, StartThatFailsOrDoesNotFitReturnsAtOnce) {
    run("missing.exe /q");
    EXPECT_TRUE(pauses.empty());

    // A working folder longer than its 255 characters, and a command text beyond 511: the
    // programs exist, but a cut text would name something else, so nothing is started.
    std::string longFolder = "sub" + std::string(120, 'a') + "/" + std::string(120, 'b');
    std::string veryLongFolder =
        longFolder + "/" + std::string(200, 'c') + "/" + std::string(200, 'd');
    for (const std::string& folder : {longFolder, veryLongFolder}) {
        std::filesystem::create_directories(dest(folder));
        writeScript(dest(folder + "/setup.exe"), reportingBody(report()));
        std::string command = folder + "/setup.exe";
        for (char& c : command) {
            if (c == '/') c = '\\';
        }
        run(command);
        EXPECT_FALSE(test::fileExists(report())) << command.size();
        EXPECT_TRUE(pauses.empty());
    }
}

TEST_F(SetupLaunchTest, InstallerWindowsAreFoundInTheirOrder) {
    char className[kWindowNameSize] = {};
    char title[kWindowNameSize] = {};
    auto probe = [&] {
        className[0] = 0;
        title[0] = 0;
        return findInstallerWindow(className, title);
    };
    EXPECT_EQ(probe(), nullptr);
    EXPECT_STREQ(className, "");
    EXPECT_STREQ(title, "");

    int32_t titled = addWindow("AnyClass", "Setup");
    int32_t installShield = addWindow("InstallShield_Win", "Installing");
    int32_t msi = addWindow("MsiDialogCloseClass", "Product Setup");

    EXPECT_NE(probe(), nullptr);
    EXPECT_STREQ(className, "MsiDialogCloseClass");
    EXPECT_STREQ(title, "");
    unregisterTestWindow(msi);
    EXPECT_NE(probe(), nullptr);
    EXPECT_STREQ(className, "InstallShield_Win");
    unregisterTestWindow(installShield);
    EXPECT_NE(probe(), nullptr);
    EXPECT_STREQ(className, "");
    EXPECT_STREQ(title, "Setup");
    unregisterTestWindow(titled);
    EXPECT_EQ(probe(), nullptr);
    EXPECT_STREQ(title, "");
}

}  // namespace
}  // namespace tamrix
