#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/run_state.h"
#include "state/run_state.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

TEST(IsolateCommandTail, SkipsProgramNameAndBlanks) {
    EXPECT_STREQ("/h x", isolateCommandTail("\"C:\\My Files\\stub.exe\"   /h x"));
    EXPECT_STREQ("/h", isolateCommandTail("stub.exe \t/h"));
    EXPECT_STREQ("", isolateCommandTail("\"unterminated"));
    EXPECT_STREQ("", isolateCommandTail("stub.exe"));
}

// Bytes from 128 up belong to the program name: é in code page 1252, and both bytes of a
// double-byte character in code page 932 (表 is 0x95 0x5C, ダ is 0x83 0x5F).
TEST(IsolateCommandTail, NonAsciiProgramPaths) {
    EXPECT_STREQ("/h", isolateCommandTail("C:\\T\xE9l\xE9"
                                          "chargements\\pkg.exe /h"));
    EXPECT_STREQ("/h", isolateCommandTail("\"C:\\T\xE9l\xE9 x\\pkg.exe\" /h"));
    EXPECT_STREQ("/o x", isolateCommandTail("C:\\\x95\x5C\x83\x5F\\pkg.exe  /o x"));
    EXPECT_STREQ("/o", isolateCommandTail("\"C:\\\x95\x5C \x83\x5F\\pkg.exe\" /o"));
    EXPECT_STREQ("", isolateCommandTail("stub\xE9\xA0tail"));
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        resetRunState();
        test::writeFile(folder.host("pkg.exe"), {1, 2, 3});
        std::filesystem::create_directory(folder.host("existing"));
        package = folder.windows("pkg.exe");
    }
    int parse(const std::string& tail) { return parseCommandLine(tail.c_str(), path); }

    test::TempFolder folder;
    std::string package;
    char path[kPathSize] = {};
};

TEST_F(CommandLine, OptionsInEitherCase) {
    EXPECT_EQ(1, parse("/h /O /n"));
    EXPECT_STREQ("", path);
    EXPECT_EQ(1u, runState.settings.skipDestinationDialog);
    EXPECT_EQ(1u, runState.settings.autoConfirm);
    EXPECT_EQ(0u, runState.settings.openFolderAfter);
    // /D without a setup command is switched off again; an unknown letter is ignored.
    EXPECT_EQ(1, parse("/x /d"));
    EXPECT_EQ(0u, runState.settings.deleteAfterSetup);
    EXPECT_EQ(1, parse("/E:setup.exe /D"));
    EXPECT_EQ(1u, runState.settings.deleteAfterSetup);
    EXPECT_STREQ("setup.exe", runState.settings.setupCommand);
}

TEST_F(CommandLine, EWithoutColonSkipsTheNextCharacter) {
    // No option ends anywhere, so the whole tail names a package, which does not exist.
    EXPECT_EQ(0, parse("/E/h"));
    EXPECT_EQ(0u, runState.settings.skipDestinationDialog);
    EXPECT_STREQ("", runState.settings.setupCommand);
}

TEST_F(CommandLine, QuotedSetupValueThenUnquotedPackage) {
    EXPECT_EQ(1, parse("/E:\"setup.exe -x /n\" " + package));
    EXPECT_STREQ("setup.exe -x /n", runState.settings.setupCommand);
    EXPECT_EQ(1u, runState.settings.openFolderAfter);  // the /n is the setup program's
    EXPECT_EQ(package, path);
}

// Slashes inside a quoted value belong to the setup command: they neither switch options on nor
// move the end of the options away from the package path.
TEST_F(CommandLine, OptionsInsideAQuotedValueAreTheSetupCommands) {
    EXPECT_EQ(1, parse("/E:\"setup.exe /debug\" " + package));
    EXPECT_STREQ("setup.exe /debug", runState.settings.setupCommand);
    EXPECT_EQ(0u, runState.settings.deleteAfterSetup);
    EXPECT_EQ(package, path);
    EXPECT_EQ(1, parse("/o /E:\"setup.exe /n /h\" /d " + package));
    EXPECT_EQ(1u, runState.settings.deleteAfterSetup);
    EXPECT_EQ(1u, runState.settings.openFolderAfter);
    EXPECT_EQ(0u, runState.settings.skipDestinationDialog);
    EXPECT_EQ(package, path);
}

TEST_F(CommandLine, PackageNamedBeforeOrAfterOptions) {
    EXPECT_EQ(1, parse(package + "  /e:setup.exe"));
    EXPECT_EQ(package, path);
    EXPECT_STREQ("setup.exe", runState.settings.setupCommand);
    EXPECT_EQ(1, parse(package + " /d"));
    EXPECT_EQ(package, path);
    EXPECT_EQ(1, parse("/d /o   " + package + "  "));
    EXPECT_EQ(package, path);
    EXPECT_EQ(1, parse(package));
    EXPECT_EQ(package, path);
}

TEST_F(CommandLine, QuotedPackageAndDestination) {
    EXPECT_EQ(1, parse("\"" + package + "\" \"" + folder.windows("new folder") + "\""));
    EXPECT_EQ(package, path);
    EXPECT_EQ(folder.windows("new folder"), runState.settings.destination);
    resetRunState();
    EXPECT_EQ(1, parse("\"" + package + "\" \"" + folder.windows("existing") + "\""));
    EXPECT_EQ(folder.windows("existing"), runState.settings.destination);
    // A third token naming an existing file is not a destination.
    resetRunState();
    EXPECT_EQ(1, parse("\"" + package + "\" \"" + package + "\""));
    EXPECT_STREQ("", runState.settings.destination);
    // Without a blank between the tokens there is no destination either.
    EXPECT_EQ(1, parse("\"" + package + "\"x\"" + folder.windows("new") + "\""));
    EXPECT_STREQ("", runState.settings.destination);
}

TEST_F(CommandLine, MissingPackageOrFolderEndsTheStub) {
    EXPECT_EQ(0, parse(folder.windows("missing.exe")));
    EXPECT_EQ(0, parse("\"" + folder.windows("existing") + "\""));
}

TEST_F(CommandLine, InputTooLongForItsBufferIsRefused) {
    EXPECT_EQ(0, parse("/h " + std::string(520, 'a')));
    EXPECT_EQ(0, parse("/E:" + std::string(128, 's')));
    EXPECT_EQ(1, parse("/E:" + std::string(127, 's')));
    EXPECT_EQ(0, parse("Z:\\" + std::string(300, 'p')));
    EXPECT_EQ(0, parse("\"" + package + "\" \"Z:\\" + std::string(300, 'd') + "\""));
}

}  // namespace
}  // namespace tamrix
