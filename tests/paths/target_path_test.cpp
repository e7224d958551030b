#include "paths/target_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/posix/codepage.h"
#include "platform/ui.h"
#include "state/run_state.h"
#include "tests/support/scoped_state.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using test::fileExists;

class TargetPath : public ::testing::Test {
  protected:
    void SetUp() override {
        runState.cancelRequested = 0;
        destination = temp.windows() + "\\";
    }
    void TearDown() override { runState.cancelRequested = 0; }

    // Composes a name as the notification handler does after its one-backslash skip.
    int compose(const std::string& entryName, bool removeSteps = false) {
        std::strncpy(name, entryName.c_str(), sizeof name - 1);
        name[sizeof name - 1] = 0;
        if (removeSteps) removeParentSteps(name);
        std::memset(out, 0x55, sizeof out);
        return composeTargetPath(destination.c_str(), name, out);
    }
    std::string target() const { return out; }

    test::TempFolder temp;
    test::RecordingInteraction ui;
    std::string destination;
    char name[1024];
    char out[260];
};

std::string stepsRemoved(std::string text) {
    removeParentSteps(text.data());
    return text.c_str();
}

TEST_F(TargetPath, PlainAndNestedNames) {
    EXPECT_EQ(compose("a.txt  "), 1);
    EXPECT_EQ(target(), destination + "a.txt");
    EXPECT_STREQ(name, "a.txt");  // the caller's text is trimmed

    EXPECT_EQ(compose("docs\\guide\\a.txt"), 1);
    EXPECT_EQ(target(), destination + "docs\\guide\\a.txt");
    EXPECT_TRUE(fileExists(temp.host("docs/guide")));

    // A folder entry: its folders are made, nothing is written.
    EXPECT_EQ(compose("empty\\sub\\"), 0);
    EXPECT_TRUE(fileExists(temp.host("empty/sub")));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(TargetPath, InvalidNamesAreSkippedWithAWarning) {
    for (const char* invalid : {"", "    ", "C:\\win.ini", "a;b", "a*", "what?", "say\"hi\"", "<x>",
                                "a|b", "stream.txt:hidden"}) {
        ui.shown.clear();
        EXPECT_EQ(compose(invalid), 0) << invalid;
        ASSERT_EQ(ui.shown.size(), 1u) << invalid;
        EXPECT_EQ(ui.shown[0].caption, "ZER-AVE");
        EXPECT_EQ(ui.shown[0].type, platform::kMbOk | platform::kMbIconWarning);
    }
    compose("a*b.txt");
    EXPECT_EQ(ui.shown.back().text, "a*b.txt\n\ninvalid filename.(skipped)");
    EXPECT_EQ(runState.cancelRequested, 0);
}

TEST_F(TargetPath, ASlashDoesNotMakeAFolder) {
    EXPECT_EQ(compose("a/b.txt"), 1);
    EXPECT_EQ(target(), destination + "a/b.txt");
    EXPECT_FALSE(fileExists(temp.host("a")));
}

TEST_F(TargetPath, ParentStepsWithEitherSeparatorAreRemoved) {
    EXPECT_EQ(stepsRemoved("..\\..\\a\\..\\b.txt"), "a\\b.txt");
    EXPECT_EQ(stepsRemoved("../../x"), "x");
    EXPECT_EQ(stepsRemoved("..\\../..\\x/../y"), "x/y");
    // Removing one step joins its neighbours into another, which goes too.
    EXPECT_EQ(stepsRemoved("....\\\\x"), "x");
    EXPECT_EQ(stepsRemoved("..././/x"), "/x");  // refused by the composition
    EXPECT_EQ(stepsRemoved("a..b\\c"), "a..b\\c");
    EXPECT_EQ(stepsRemoved("x.."), "x..");

    EXPECT_EQ(compose("../../win.ini", true), 1);
    EXPECT_EQ(target(), destination + "win.ini");
    EXPECT_EQ(compose("..\\..\\a\\..\\b.txt", true), 1);
    EXPECT_EQ(target(), destination + "a\\b.txt");
}

TEST_F(TargetPath, NamesThatCouldStillClimbOutAreRefused) {
    for (const char* climbing : {"a\\..\\..\\x", "a/../../x", "..", "a\\..", "a/..", "\\x", "/x",
                                 "\\\\server\\share\\x", "a\\...\\x", "a\\. .\\x", "a\\.. \\x"}) {
        ui.shown.clear();
        EXPECT_EQ(compose(climbing), 0) << climbing;
        EXPECT_EQ(ui.shown.size(), 1u) << climbing;
    }
    EXPECT_FALSE(fileExists(temp.host("a")));
    // Dots inside a name are fine.
    EXPECT_EQ(compose("a..b\\.c\\x.."), 1);
    EXPECT_EQ(target(), destination + "a..b\\.c\\x..");
}

TEST_F(TargetPath, TooLongForAPathIsRefused) {
    size_t room = 259 - destination.size();
    EXPECT_EQ(compose(std::string(room, 'n')), 1);
    EXPECT_EQ(target().size(), 259u);
    EXPECT_EQ(compose(std::string(room + 1, 'n')), 0);
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(compose(std::string(600, 'n')), 0);
    EXPECT_EQ(ui.shown.size(), 2u);
    EXPECT_LT(ui.shown.back().text.size(), 512u);
}

TEST_F(TargetPath, AFolderThatCannotBeMadeStopsTheRun) {
    test::writeFile(temp.host("docs"), {1});
    EXPECT_EQ(compose("docs\\a.txt"), -1);
    EXPECT_EQ(runState.cancelRequested, -1);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Cannot create a folder.\nThis archive forbids writing.");
    EXPECT_EQ(ui.shown[0].caption, "ZER-AVE");
    EXPECT_EQ(ui.shown[0].type, platform::kMbOk | platform::kMbIconError);
}

TEST_F(TargetPath, DoubleByteNamesOnCodePage932) {
    test::ScopedCodePage page(932);
    test::ScopedLanguage language(Language::Japanese);
    // 表 ends in 0x5C: a file, not a folder entry. ポ ends in 0x7C: not a vertical bar.
    EXPECT_EQ(compose("\x95\x5C"), 1);
    EXPECT_EQ(target(), destination + "\x95\x5C");
    EXPECT_EQ(compose("\x95\x5C\\\x83\x7C.txt"), 1);
    EXPECT_EQ(target(), destination + "\x95\x5C\\\x83\x7C.txt");
    EXPECT_TRUE(fileExists(temp.host("表")));
    EXPECT_TRUE(ui.shown.empty());

    EXPECT_EQ(compose("a?"), 0);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              platform::posix::utf8ToAnsiText("a?\n\n不正なファイル名の展開をスキップします。"));
}

}  // namespace
}  // namespace tamrix
