// `tamrix run` on packages, as a separate process: nothing written through links planted in the
// destination.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/cabinet_builder.h"
#include "tests/support/flow_runner.h"
#include "tests/support/temp_folder.h"

namespace tamrix::test {
namespace {

namespace fs = std::filesystem;

class RunToolTest : public ::testing::Test {
  protected:
    // A package that extracts `contents` to out/ without a dialog or a question.
    std::string package(const std::vector<std::pair<std::string, Bytes>>& contents) {
        StoredLayout layout = layOutStored(contents);
        CabinetSpec cabinet;
        cabinet.folders.push_back(layout.folder);
        cabinet.files = layout.files;
        HeaderFields header;
        header.destination = folder.windows("out");
        header.skipDestinationDialog = 1;
        header.autoConfirm = 1;
        const std::string path = folder.host("setup.exe");
        writeFile(path, makePackage(buildCabinet(cabinet), header));
        writeFile(folder.host("answers"), {});
        return path;
    }
    std::string runCommand(const std::string& packagePath) const {
        return std::string(TAMRIX_TOOL) + " run --ui script:" + folder.host("answers") +
               " --transcript " + folder.host("transcript") + " " + packagePath;
    }
    std::string text(const std::string& name) const {
        Bytes bytes = readFile(folder.host(name));
        return std::string(bytes.begin(), bytes.end());
    }

    TempFolder folder;
};

TEST_F(RunToolTest, NothingIsWrittenThroughALinkInTheDestination) {
    fs::create_directories(folder.host("out"));
    fs::create_directories(folder.host("elsewhere"));
    fs::create_directory_symlink(folder.host("elsewhere"), folder.host("out/sub"));
    fs::create_symlink(folder.host("elsewhere/target.txt"), folder.host("out/link.txt"));
    const struct {
        std::string name, message;
    } cases[] = {{"sub\\evil.txt",
                  "'sub' in the destination is a symbolic link; 'sub/evil.txt' is not written "
                  "through it"},
                 {"link.txt", "'link.txt' in the destination is a symbolic link"}};
    for (const auto& planted : cases) {
        const std::string pkg = package({{planted.name, Bytes(4, 'e')}});
        const int status = std::system((runCommand(pkg) + " 2>" + folder.host("stderr")).c_str());
        // The refused file fails the extraction, which the run reports with exit code 1.
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_TRUE(fs::is_empty(folder.host("elsewhere"))) << text("transcript");
        const std::string err = text("stderr");
        EXPECT_NE(err.find(planted.message), std::string::npos) << err << text("transcript");
    }
}

}  // namespace
}  // namespace tamrix::test
