// A package whose set goes on in a second cabinet beside it: the missing or damaged cabinet is
// named with the folder it is looked for in, Retry tries again, Cancel is the user's own stop.
#include <iostream>
#include <sstream>

#include "platform/posix/console_interaction.h"
#include "tests/flow/flow_fixture.h"
#include "tests/support/scoped_state.h"

namespace tamrix::test {
namespace {

class NextCabinetTest : public FlowTest {
  protected:
    // The package's cabinet holds the first two blocks of big.bin, set2.cab the third.
    void SetUp() override {
        FlowTest::SetUp();
        StoredLayout layout = layOutStored({{"big.bin", data}});
        ASSERT_EQ(3u, layout.folder.blocks.size());
        first.nextCabinet = "set2.cab";
        first.nextDisk = "Disk 2";
        first.folders = {folderOf({layout.folder.blocks[0], layout.folder.blocks[1]})};
        first.files = layout.files;
        first.files[0].folderIndex = 0xFFFE;  // continued in the next cabinet
        second.cabinetIndex = 1;
        second.previousCabinet = "setup1.exe";
        second.previousDisk = "Disk 1";
        second.folders = {folderOf({layout.folder.blocks[2]})};
        second.files = layout.files;
        second.files[0].folderIndex = 0xFFFD;  // continued from the previous cabinet
    }

    std::string package() {
        HeaderFields header;
        header.destination = folder.windows("out");
        header.skipDestinationDialog = header.autoConfirm = header.openFolderAfter = 1;
        return writePackage(buildCabinet(first), header);
    }
    void putSecondInPlace(const TestCabinet& cabinet) {
        writeFile(folder.host("pkg/set2.cab"), buildCabinet(cabinet));
    }

    // The transcript's line for the question, with the words added for a damaged cabinet.
    std::string question(const std::string& problem = "") const {
        return "cabinet missing \"set2.cab\" text=\"The next part of this package, 'set2.cab', "
               "cannot be found or read.\\nPut it in the folder '" +
               escaped(folder.windows("pkg\\")) + "' and choose Retry." +
               (problem.empty() ? "" : "\\n\\n" + problem) + "\"";
    }

    // set2.cab cut short, then one of another set, then the right one: Retry twice completes.
    FlowResult runPastTwoUnusableCabinets() {
        Bytes truncated = buildCabinet(second);
        truncated.resize(20);
        writeFile(folder.host("pkg/set2.cab"), truncated);
        TestCabinet otherSet = second;
        otherSet.setId = 0x4321;
        int asked = 0;
        onCabinetMissing = [&](const std::string&) {
            if (++asked == 1) putSecondInPlace(otherSet);
            if (asked == 2) putSecondInPlace(second);
        };
        return run(package(), {"wait", "wait"});
    }

    TestCabinet first, second;
};

TEST_F(NextCabinetTest, RetryAfterTheCabinetIsPutInPlaceCompletesTheExtraction) {
    onCabinetMissing = [this](const std::string&) { putSecondInPlace(second); };
    FlowResult result = run(package(), {"wait"});
    EXPECT_EQ(1, result.count(question()));
    EXPECT_TRUE(result.saw("answer wait"));
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ(data, readFile(out("big.bin")));
    EXPECT_TRUE(result.saw("shell open"));
}

// Cancel is the user's own stop: no message of failure, no after-actions, no partial file.
TEST_F(NextCabinetTest, CancelStopsTheExtractionAsTheUsersOwnStop) {
    FlowResult result = run(package(), {"cancel"});
    EXPECT_EQ(1, result.count(question()));
    EXPECT_TRUE(result.saw("answer stop"));
    EXPECT_EQ(0, result.exitCode);
    EXPECT_FALSE(result.saw("Extraction failed"));
    EXPECT_FALSE(result.saw("shell open"));
    EXPECT_FALSE(fileExists(out("big.bin")));
}

// Retry asks again as long as the cabinet cannot be used; a damaged one is named the same way,
// with what is wrong with it.
TEST_F(NextCabinetTest, DamagedSecondCabinetIsNamedWithWhatIsWrong) {
    FlowResult result = runPastTwoUnusableCabinets();
    EXPECT_EQ(1, result.count(question("It is damaged.")));
    EXPECT_EQ(1, result.count(question("It belongs to another package or is another part of it.")));
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ(data, readFile(out("big.bin")));
}

// A Japanese system names what is wrong in Japanese, as it asks the question.
TEST_F(NextCabinetTest, JapaneseNamesWhatIsWrongInJapanese) {
    FlowResult result;
    {
        ScopedCodePage page(932);
        ScopedLanguage language(Language::Japanese);
        result = runPastTwoUnusableCabinets();
    }
    const std::string retryThen = "[再試行] を選んでください。\\n\\n";
    EXPECT_EQ(1, result.count(retryThen + "ファイルが破損しています。\""));
    EXPECT_EQ(1,
              result.count(retryThen +
                           "別のパッケージのファイルか、このパッケージの別の分割ファイルです。\""));
    EXPECT_FALSE(result.saw("It is damaged."));
    EXPECT_EQ(data, readFile(out("big.bin")));
}

// A second cabinet whose block fails its checksum is refused before it is taken, so the user is
// asked for a good copy instead of the run failing on the block.
class BadChecksumTest : public NextCabinetTest {
  protected:
    FlowResult runWithDamagedSecond(const std::string& answer) {
        TestCabinet damaged = second;
        damaged.folders[0].blocks[0].checksumXor = 1;
        putSecondInPlace(damaged);
        onCabinetMissing = [this](const std::string&) { putSecondInPlace(second); };
        FlowResult result = run(package(), {answer});
        EXPECT_EQ(1, result.count(question("It is damaged.")));
        EXPECT_EQ(0, result.exitCode);
        EXPECT_FALSE(result.saw("Extraction failed"));
        return result;
    }
};

TEST_F(BadChecksumTest, RetryWithTheGoodCopyCompletes) {
    runWithDamagedSecond("wait");
    EXPECT_EQ(data, readFile(out("big.bin")));
}

TEST_F(BadChecksumTest, CancelRemovesThePartialFile) {
    FlowResult result = runWithDamagedSecond("cancel");
    EXPECT_TRUE(result.saw("answer stop"));
    EXPECT_FALSE(fileExists(out("big.bin")));
}

// The console form shows the same text and takes r for Retry; anything else is Cancel.
TEST(ConsoleNextCabinet, AsksWithTheSameText) {
    platform::posix::ConsoleInteraction console;
    std::istringstream answers("r\nc\n");
    std::streambuf* previous = std::cin.rdbuf(answers.rdbuf());
    ::testing::internal::CaptureStderr();
    bool retry = console.keepWaitingForCabinet("set2.cab", "Put 'set2.cab' there.");
    bool again = console.keepWaitingForCabinet("set2.cab", "Put 'set2.cab' there.");
    std::string shown = ::testing::internal::GetCapturedStderr();
    std::cin.rdbuf(previous);
    EXPECT_TRUE(retry);
    EXPECT_FALSE(again);
    EXPECT_NE(std::string::npos, shown.find("[ZER-AVE] Put 'set2.cab' there.\nRetry or Cancel?"));
}

}  // namespace
}  // namespace tamrix::test
