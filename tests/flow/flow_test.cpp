// The stub's flow end to end on packages: header, question, CRC, destination, extraction with its
// questions, and the after-actions, driven through the scripted interface.
#include <sys/stat.h>
#include <utime.h>

#include <ctime>

#include "platform/posix/codepage.h"
#include "resources/strings.h"
#include "tests/flow/flow_fixture.h"

namespace tamrix::test {
namespace {

// A header that sends everything to out/ without the dialog and without asking.
HeaderFields quietHeader(const TempFolder& folder) {
    HeaderFields header;
    header.destination = folder.windows("out");
    header.skipDestinationDialog = 1;
    header.autoConfirm = 1;
    return header;
}

TEST_F(FlowTest, DeclinedQuestionEndsTheRunSilently) {
    HeaderFields header = quietHeader(folder);
    header.promptCaption = "Setup";
    header.promptText = "Install the demo?";
    FlowResult result = run(writePackage(cabinetOf({{"a.txt", readme}}), header), {"no"});
    EXPECT_TRUE(
        result.saw("messagebox caption=\"Setup\" icon=question buttons=Yes,No "
                   "text=\"Install the demo?\""));
    EXPECT_TRUE(result.saw("answer No"));
    EXPECT_EQ(2u, result.lines.size());
    EXPECT_FALSE(fileExists(out()));
}

TEST_F(FlowTest, AppendedCabinetWithEmptyHeaderGoesToThePackageFolder) {
    FlowResult result =
        run(writePackage(cabinetOf({{"a.txt", readme}, {"sub\\b.bin", data}}), {}), {"ok"});
    EXPECT_TRUE(result.saw("dialog 202 caption=\"Confirm Extracting\" edit=\"" +
                           escaped(folder.windows("pkg\\")) + "\" box=clear"));
    EXPECT_EQ(readme, readFile(folder.host("pkg/a.txt")));
    EXPECT_EQ(data, readFile(folder.host("pkg/sub/b.bin")));
    EXPECT_TRUE(result.saw("window 2008 control 1006 text=\"sub\\\\b.bin\""));
    // openFolderAfter is 0 in the header and replaces the start value 1.
    EXPECT_FALSE(result.saw("shell open"));
}

TEST_F(FlowTest, FolderIsOpenedAfterwardsWithoutSetupCommand) {
    HeaderFields header = quietHeader(folder);
    header.openFolderAfter = 1;
    FlowResult result = run(writePackage(cabinetOf({{"a.txt", readme}}), header), {});
    EXPECT_TRUE(result.saw("shell open explorer \"" + escaped(folder.windows("out\\")) + "\""));
    EXPECT_TRUE(result.saw("beep asterisk"));
    EXPECT_EQ(readme, readFile(out("a.txt")));
}

TEST_F(FlowTest, CrcMismatchStopsOnlyWhenASetupCommandFollows) {
    HeaderFields header = quietHeader(folder);
    header.cabinetCrc = 0x12345678;
    header.setupCommand = "setup.exe";
    FlowResult stopped = run(writePackage(cabinetOf({{"a.txt", readme}}), header, false), {"ok"});
    EXPECT_TRUE(stopped.saw("window 103 shown"));
    EXPECT_TRUE(stopped.saw(
        "messagebox caption=\"Warning\" icon=error buttons=OK text=\"CRC check error!\""));
    EXPECT_FALSE(fileExists(out()));

    header.setupCommand = "";
    FlowResult extracted = run(writePackage(cabinetOf({{"a.txt", readme}}), header, false), {"ok"});
    EXPECT_TRUE(extracted.saw("CRC check error!"));
    EXPECT_EQ(readme, readFile(out("a.txt")));
}

TEST_F(FlowTest, MatchingCrcPassesSilently) {
    FlowResult result = run(writePackage(cabinetOf({{"a.txt", readme}}), quietHeader(folder)), {});
    EXPECT_TRUE(result.saw("window 103 shown"));
    EXPECT_FALSE(result.saw("Warning"));
    EXPECT_EQ(readme, readFile(out("a.txt")));
}

struct DestinationCase {
    std::string typed;
    std::string expectedHost;  // relative to the test folder
};

TEST_F(FlowTest, TypedDestinationForms) {
    std::string package = writePackage(cabinetOf({{"a.txt", readme}}), {});
    std::filesystem::create_directory(folder.host("drive"));
    const DestinationCase cases[] = {
        {"plain", "pkg/plain/a.txt"},
        {"\\lead", "pkg/lead/a.txt"},
        {".\\dot", "pkg/dot/a.txt"},
        {"..\\up\\deep", "up/deep/a.txt"},
        {folder.windows("drive"), "drive/a.txt"},
        {folder.windows("pkg/slashes").substr(0, 2) + folder.host("pkg/slashes").c_str(),
         "pkg/slashes/a.txt"},
    };
    for (const DestinationCase& destination : cases) {
        // A missing folder is offered for creation.
        FlowResult result = run(package, {"ok " + destination.typed, "ok"});
        EXPECT_EQ(readme, readFile(folder.host(destination.expectedHost))) << destination.typed;
    }
}

TEST_F(FlowTest, TooManyParentStepsComeBackToThePackageFolder) {
    std::string package = writePackage(cabinetOf({{"a.txt", readme}}), {});
    std::string climb;
    for (int i = 0; i < 40; ++i) climb += "..\\";
    FlowResult result = run(package, {"ok " + climb + "x", "ok plain", "ok"});
    std::string packageFolder = escaped(folder.windows("pkg"));
    EXPECT_TRUE(result.saw("edit=\"" + packageFolder + "\" box=clear")) << packageFolder;
    // The failed climb left the package's folder whole: a plain name typed next lies inside it.
    EXPECT_EQ(readme, readFile(folder.host("pkg/plain/a.txt")));
}

// A join with the archive's name too long for the destination is refused, and the box is clear
// again, as the text is.
TEST_F(FlowTest, RefusedArchiveFolderJoinClearsTheBox) {
    std::string package = writePackage(cabinetOf({{"a.txt", readme}}), {});
    std::string longFolder = "Z:\\" + std::string(250, 'd');
    FlowResult result = run(package, {"type " + longFolder, "toggle", "toggle", "cancel"});
    EXPECT_EQ(3, result.count("edit=\"" + escaped(longFolder) + "\" box=clear"));
    EXPECT_FALSE(result.saw("box=ticked"));
}

TEST_F(FlowTest, ForbiddenCharacterBringsTheDialogBack) {
    std::string package = writePackage(cabinetOf({{"a.txt", readme}}), {});
    FlowResult relative = run(package, {"ok a|b", "cancel"});
    EXPECT_TRUE(relative.saw("edit=\"" + escaped(folder.windows("pkg\\a|b")) + "\""));
    FlowResult drive = run(package, {"ok " + folder.windows("x?y"), "cancel"});
    EXPECT_TRUE(drive.saw("edit=\"" + escaped(folder.windows("pkg\\")) + "\""));
    EXPECT_FALSE(fileExists(folder.host("pkg/a.txt")));
}

TEST_F(FlowTest, ForbiddenCharacterWithoutDialogEndsTheRun) {
    HeaderFields header = quietHeader(folder);
    header.destination = "sub;x";
    FlowResult result = run(writePackage(cabinetOf({{"a.txt", readme}}), header), {});
    EXPECT_TRUE(result.saw("text=\"Invalid path!\""));
    EXPECT_FALSE(result.saw("window 2008"));
}

TEST_F(FlowTest, FolderCreationDeclinedAcceptedAndFailing) {
    std::string package = writePackage(cabinetOf({{"a.txt", readme}}), {});
    FlowResult declined = run(package, {"ok " + folder.windows("new"), "cancel"});
    EXPECT_TRUE(declined.saw("icon=question buttons=OK,Cancel text=\"The Folder '" +
                             escaped(folder.windows("new\\")) +
                             "' does not exist.\\nDo you want to create it?\""));
    EXPECT_FALSE(fileExists(folder.host("new")));

    FlowResult accepted = run(package, {"ok " + folder.windows("new\\deeper"), "ok"});
    EXPECT_EQ(readme, readFile(folder.host("new/deeper/a.txt")));

    writeFile(folder.host("blocker"), {1});
    FlowResult failing = run(package, {"ok " + folder.windows("blocker\\sub"), "ok"});
    EXPECT_TRUE(
        failing.saw("icon=error buttons=OK text=\"Cannot create a folder.\\nThis archive "
                    "forbids writing.\""));
}

void setModificationTime(const std::string& path, int year, int month, int day, int hour) {
    struct tm local = {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_isdst = -1;
    struct utimbuf times = {mktime(&local), mktime(&local)};
    utime(path.c_str(), &times);
}

class ReplaceTest : public FlowTest {
  protected:
    // Three files of the cabinet exist already in out/ with other bytes.
    std::string prepare() {
        std::filesystem::create_directory(out());
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) writeFile(out(name), {'o', 'l', 'd'});
        HeaderFields header = quietHeader(folder);
        header.autoConfirm = 0;
        return writePackage(cabinetOf({{"a.txt", readme}, {"b.txt", readme}, {"c.txt", readme}}),
                            header);
    }
    bool replaced(const char* name) { return readFile(out(name)) == readme; }
};

TEST_F(ReplaceTest, YesNoAndYesToAll) {
    FlowResult result = run(prepare(), {"yes", "no", "cancel"});
    EXPECT_TRUE(result.saw("dialog 2007 caption=\"Confirm File Replace\" file=\"'a.txt'\""));
    EXPECT_TRUE(result.saw("new=\"1,000 Bytes\\nModified: 01, 01, 2025,  12:00:00\""));
    EXPECT_TRUE(replaced("a.txt"));
    EXPECT_FALSE(replaced("b.txt"));
    EXPECT_FALSE(replaced("c.txt"));  // Cancel stops the extraction
    EXPECT_TRUE(fileExists(out("c.txt")));

    FlowResult all = run(prepare(), {"all"});
    EXPECT_EQ(1, all.count("dialog 2007"));
    EXPECT_TRUE(replaced("a.txt") && replaced("b.txt") && replaced("c.txt"));
}

TEST_F(ReplaceTest, NewerComparesTheStamps) {
    std::string package = prepare();
    setModificationTime(out("a.txt"), 2024, 6, 1, 8);   // older: replaced
    setModificationTime(out("b.txt"), 2025, 1, 1, 12);  // equal: kept
    setModificationTime(out("c.txt"), 2026, 3, 1, 9);   // newer: kept
    FlowResult result = run(package, {"newer"});
    EXPECT_EQ(1, result.count("dialog 2007"));
    EXPECT_TRUE(replaced("a.txt"));
    EXPECT_FALSE(replaced("b.txt"));
    EXPECT_FALSE(replaced("c.txt"));
}

TEST_F(ReplaceTest, ReadOnlyTargetAnsweredYesIsOverwritten) {
    std::string package = prepare();
    chmod(out("a.txt").c_str(), 0444);
    run(package, {"yes", "no", "no"});
    EXPECT_TRUE(replaced("a.txt"));
}

TEST_F(FlowTest, CancelDuringExtractionSkipsTheAfterActions) {
    HeaderFields header = quietHeader(folder);
    header.openFolderAfter = 1;
    FlowResult result =
        run(writePackage(cabinetOf({{"a.bin", data}, {"b.bin", data}}), header), {"stop 1"});
    EXPECT_TRUE(result.saw("click 2008 Cancel"));
    // The file in flight is not left behind truncated.
    EXPECT_FALSE(fileExists(out("a.bin")));
    EXPECT_FALSE(fileExists(out("b.bin")));
    EXPECT_FALSE(result.saw("shell open"));
}

TEST_F(FlowTest, MissingNextCabinetEndsWhenTheScriptStops) {
    StoredLayout layout = layOutStored({{"big.bin", data}});
    TestCabinet testCabinet;
    testCabinet.nextCabinet = "setup2.cab";
    testCabinet.nextDisk = "Disk 2";
    layout.folder.blocks.pop_back();  // the rest would be in the next cabinet
    layout.files[0].folderIndex = 0xFFFE;
    testCabinet.folders = {layout.folder};
    testCabinet.files = layout.files;
    HeaderFields header = quietHeader(folder);
    header.openFolderAfter = 1;
    FlowResult result = run(writePackage(buildCabinet(testCabinet), header), {"wait"});
    EXPECT_EQ(2, result.count("cabinet missing \"setup2.cab\""));
    EXPECT_FALSE(result.saw("shell open"));
    EXPECT_FALSE(fileExists(out("big.bin")));
}

// Leading separators would name the root: every one of them goes, and the file lands inside the
// destination.
TEST_F(FlowTest, NamesWithLeadingSeparatorsLandInsideTheDestination) {
    FlowResult result = run(
        writePackage(
            cabinetOf({{"\\\\x.txt", readme}, {"/y.txt", readme}, {"\\/..\\sub\\z.txt", readme}}),
            quietHeader(folder)),
        {});
    EXPECT_EQ(0, result.exitCode);
    EXPECT_FALSE(result.saw("invalid filename"));
    EXPECT_EQ(readme, readFile(out("x.txt")));
    EXPECT_EQ(readme, readFile(out("y.txt")));
    EXPECT_EQ(readme, readFile(out("sub/z.txt")));
}

TEST_F(FlowTest, NamedPackageIsExtractedWithoutItsHeader) {
    HeaderFields inner = quietHeader(folder);
    inner.destination = folder.windows("never");
    inner.promptText = "never asked";
    std::string innerPackage =
        writePackage(cabinetOf({{"a.txt", readme}}), inner, true, "inner.exe");
    std::string outer = writePackage(cabinetOf({{"z.txt", readme}}), {}, true, "outer.exe");
    FlowResult result = run(outer, {"ok " + folder.windows("named")},
                            "/o \"" + folder.windows("pkg\\inner.exe") + "\"");
    EXPECT_FALSE(result.saw("never asked"));
    EXPECT_EQ(readme, readFile(folder.host("named/a.txt")));
    EXPECT_FALSE(fileExists(folder.host("never")));
}

TEST_F(FlowTest, JapaneseRunOnCodePage932) {
    ASSERT_TRUE(platform::posix::setAnsiCodePage(932));
    setLanguage(Language::Japanese);
    // 表示.txt in code page 932: the first character's trail byte is 0x5C, a backslash's value.
    std::string name = "\x95\x5C\x8E\xA6.txt";
    std::filesystem::create_directory(out());
    writeFile(out("表示.txt"), {'o', 'l', 'd'});
    HeaderFields header = quietHeader(folder);
    header.autoConfirm = 0;
    FlowResult result = run(writePackage(cabinetOf({{name, readme}}), header), {"yes"});
    setLanguage(Language::English);
    platform::posix::setAnsiCodePage(1252);
    EXPECT_TRUE(
        result.saw("dialog 2007 caption=\"ファイル上書きの確認\" "
                   "file=\"展開先には既に '表示.txt' のファイルが存在します。\""));
    EXPECT_TRUE(result.saw("new=\"1,000 バイト\\n2025年01月01日 水曜日、12:00:00\""));
    EXPECT_EQ(readme, readFile(out("表示.txt")));
}

}  // namespace
}  // namespace tamrix::test
