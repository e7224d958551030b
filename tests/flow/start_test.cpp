// The start of a run: the program path on the command line, and packages named by the tail.
#include <unistd.h>

#include "platform/posix/host_paths.h"
#include "tests/flow/flow_fixture.h"
#include "tests/support/scoped_state.h"

namespace tamrix::test {
namespace {

HeaderFields quietHeader(const std::string& destination) {
    HeaderFields header;
    header.destination = destination;
    header.skipDestinationDialog = 1;
    header.autoConfirm = 1;
    return header;
}

// A program path with bytes from 128 up (an accented letter in code page 1252, Japanese in code
// page 932 with a 0x5C second byte) is the program's name, quoted or not.
TEST_F(FlowTest, NonAsciiProgramPathsQuotedAndUnquoted) {
    struct Case {
        uint32_t codePage;
        std::string folderName;  // UTF-8
    };
    for (const Case& c : {Case{1252, "Téléchargements"}, Case{932, "表示ダウンロード"}}) {
        ScopedCodePage page(c.codePage);
        std::filesystem::create_directory(folder.host(c.folderName));
        std::string package = folder.host(c.folderName + "/pkg.exe");
        for (bool quoted : {false, true}) {
            std::string destination = "out" + std::to_string(c.codePage) + (quoted ? "q" : "");
            writeFile(package, makePackage(cabinetOf({{"a.txt", readme}}),
                                           quietHeader(folder.windows(destination))));
            std::string programPath =
                platform::posix::utf8ToAnsi(folder.windows(c.folderName + "\\pkg.exe"));
            std::string commandLine = quoted ? "\"" + programPath + "\"" : programPath;
            FlowResult result = runFlowWithCommandLine(package, {}, commandLine);
            EXPECT_EQ(0, result.exitCode) << c.codePage << (quoted ? " quoted" : "");
            EXPECT_EQ(readme, readFile(folder.host(destination + "/a.txt")))
                << c.codePage << (quoted ? " quoted" : "");
        }
    }
}

class CurrentFolder {
  public:
    explicit CurrentFolder(const std::string& hostPath) {
        changed_ = ::getcwd(previous_, sizeof previous_) && ::chdir(hostPath.c_str()) == 0;
    }
    ~CurrentFolder() {
        if (changed_ && ::chdir(previous_) != 0) std::perror("chdir");
    }

  private:
    char previous_[4096] = {};
    bool changed_ = false;
};

// A package named by a bare or relative name: its folder, the base of relative destinations, is
// resolved against the current folder.
TEST_F(FlowTest, PackageNamedByARelativeNameHasItsFolderAsBase) {
    std::filesystem::create_directory(folder.host("pkg/inner"));
    std::string inner = folder.host("pkg/inner/inner.exe");
    writeFile(inner, makePackage(cabinetOf({{"a.txt", readme}}), {}));
    std::string outer = writePackage(cabinetOf({{"z.txt", readme}}), {}, true, "outer.exe");
    CurrentFolder current(folder.host("pkg"));
    FlowResult bare = run(outer, {"cancel"}, "inner\\inner.exe");
    EXPECT_TRUE(bare.saw("edit=\"" + escaped(folder.windows("pkg\\inner\\")) + "\""));
    FlowResult typed = run(outer, {"ok sub", "ok"}, "/o inner\\inner.exe");
    EXPECT_EQ(0, typed.exitCode);
    EXPECT_EQ(readme, readFile(folder.host("pkg/inner/sub/a.txt")));
}

}  // namespace
}  // namespace tamrix::test
