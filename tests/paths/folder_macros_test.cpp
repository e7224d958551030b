#include "paths/folder_macros.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/posix/system_folders.h"
#include "tests/support/scoped_state.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using test::ScopedEnv;

class FolderMacros : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::posix::setWindowsDirectory("/opt/win");
        platform::posix::setSystemDirectory("/opt/win/system32");
    }
    void TearDown() override {
        platform::posix::setWindowsDirectory(nullptr);
        platform::posix::setSystemDirectory(nullptr);
    }
    std::string expand(const std::string& destination, uint32_t deleteAfterSetup = 0,
                       const char* package = "Z:\\pkg\\Setup1.exe") {
        char field[260] = {};
        std::strncpy(field, destination.c_str(), sizeof field - 1);
        std::strcpy(out, "unchanged");
        flag = expandFolderMacro(out, field, deleteAfterSetup, package);
        return out;
    }

    ScopedEnv tmpdir{"TMPDIR", "/var/tmp"};
    ScopedEnv documents{"XDG_DOCUMENTS_DIR", "/home/u/Dokumente"};
    ScopedEnv desktop{"XDG_DESKTOP_DIR", "/home/u/Desk"};
    char out[260];
    int flag = -1;
};

TEST_F(FolderMacros, EveryName) {
    EXPECT_EQ(expand("%MyDocuments%\\Setup"), "Z:\\home\\u\\Dokumente\\Setup");
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(expand("%Desktop%\\x"), "Z:\\home\\u\\Desk\\x");
    EXPECT_EQ(expand("%WinDir%\\Fonts"), "Z:\\opt\\win\\Fonts");
    EXPECT_EQ(expand("%SystemDir%"), "Z:\\opt\\win\\system32");
    EXPECT_EQ(expand("%ProgramFiles%\\Tool"), "Z:\\Program Files\\Tool");
    EXPECT_EQ(expand("%temp%\\x"), "Z:\\var\\tmp\\x");
}

TEST_F(FolderMacros, TheTemporaryFolderOfItsOwn) {
    EXPECT_EQ(expand("%temp%", 1), "Z:\\var\\tmp\\~Setup1.exe");
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(expand("%temp%", 0), "Z:\\var\\tmp");
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(expand("%temp%\\x", 1), "Z:\\var\\tmp\\x");
    EXPECT_EQ(flag, 0);
}

TEST_F(FolderMacros, UnknownNamesLeaveTheRest) {
    EXPECT_EQ(expand("%TEMP%\\x"), "\\x");
    EXPECT_EQ(expand("%desktop%\\x"), "\\x");
    EXPECT_EQ(expand("%Personal%\\x"), "\\x");
    EXPECT_EQ(expand("%Desk%"), "");
    EXPECT_EQ(expand("%%\\x"), "\\x");
    EXPECT_EQ(flag, 0);
}

TEST_F(FolderMacros, TextsWithoutAMacroAreCopied) {
    EXPECT_EQ(expand("D:\\100%\\x"), "D:\\100%\\x");
    EXPECT_EQ(expand("%temp"), "%temp");
    EXPECT_EQ(expand(""), "unchanged");
    EXPECT_EQ(flag, 0);
}

TEST_F(FolderMacros, ProgramFilesIsOnTheWindowsFoldersDrive) {
    // The Linux layer has one drive; the rule itself is drive-letter agnostic, so check that the
    // cut is two characters after the colon whatever follows.
    platform::posix::setWindowsDirectory("/");
    EXPECT_EQ(expand("%ProgramFiles%"), "Z:\\Program Files");
}

TEST_F(FolderMacros, ResultsTooLongForTheDestinationKeepOnlyTheRest) {
    std::string longFolder = "/" + std::string(200, 't');
    ScopedEnv longTemp("TMPDIR", longFolder.c_str());
    std::string rest = "\\" + std::string(60, 'r');
    EXPECT_EQ(expand("%temp%" + rest), rest);
    // The folder of its own that would not fit: neither a cut folder nor the flag.
    std::string longPackage = "Z:\\p\\" + std::string(100, 'p') + ".exe";
    EXPECT_EQ(expand("%temp%", 1, longPackage.c_str()), "");
    EXPECT_EQ(flag, 0);
    // Just fitting.
    std::string fitting = "\\" + std::string(259 - 204, 'r');  // Z:\ttt...t is 203 bytes
    EXPECT_EQ(expand("%temp%" + fitting).size(), 259u);
}

TEST_F(FolderMacros, ShellFolderValues) {
    char buffer[256];
    ScopedEnv longDocuments("XDG_DOCUMENTS_DIR", ("/" + std::string(300, 'd')).c_str());
    std::strcpy(buffer, "old");
    EXPECT_EQ(
        readShellFolder(platform::kRegistryCurrentUser,
                        "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        buffer, "Personal"),
        0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(expand("%MyDocuments%\\x"), "\\x");
    std::strcpy(buffer, "old");
    EXPECT_EQ(readShellFolder(platform::kRegistryCurrentUser, "Software\\Nothing", buffer, "x"), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(
        readShellFolder(platform::kRegistryCurrentUser,
                        "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        buffer, "Desktop"),
        1);
    EXPECT_STREQ(buffer, "Z:\\home\\u\\Desk");
}

}  // namespace
}  // namespace tamrix
