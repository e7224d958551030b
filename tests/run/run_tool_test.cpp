// `tamrix run` on packages, as a separate process: nothing written through links planted in the
// destination, and SIGINT or SIGTERM in the middle of an extraction stop it as Cancel does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "pack/compression.h"
#include "state/run_state.h"
#include "tests/support/cabinet_builder.h"
#include "tests/support/flow_runner.h"
#include "tests/support/temp_folder.h"
#include "tools/run_signals.h"

namespace tamrix::test {
namespace {

namespace fs = std::filesystem;

class RunToolTest : public ::testing::Test {
  protected:
    static HeaderFields quietHeader(const TempFolder& folder) {
        HeaderFields header;
        header.destination = folder.windows("out");
        header.skipDestinationDialog = 1;
        header.autoConfirm = 1;
        return header;
    }
    std::string writePackage(const TestCabinet& cabinet, const HeaderFields& header) {
        const std::string path = folder.host("setup.exe");
        writeFile(path, makePackage(buildCabinet(cabinet), header));
        writeFile(folder.host("answers"), {});
        return path;
    }
    // A package that extracts `contents` to out/ without a dialog or a question.
    std::string package(const std::vector<std::pair<std::string, Bytes>>& contents) {
        StoredLayout layout = layOutStored(contents);
        TestCabinet cabinet;
        cabinet.folders.push_back(layout.folder);
        cabinet.files = layout.files;
        return writePackage(cabinet, quietHeader(folder));
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

// A small file, then 1.5 GiB of zeros in MSZIP blocks (about 2 MB of cabinet), whose writing
// takes long enough to be interrupted; the folder is opened afterwards unless the run stops.
TestCabinet smallThenLarge() {
    auto encoder = pack::makeFrameEncoder({pack::CompressionKind::Mszip, 0});
    const Bytes zeros(32768, 0);
    TestBlock block;
    std::string error;
    encoder->encodeFrame(zeros.data(), 32768, &block.data, &error);
    block.uncompressedSize = 32768;
    TestCabinet cabinet;
    cabinet.folders.push_back(folderOf(storedBlocks(Bytes(100, 's'))));
    cabinet.folders.push_back(folderOf(std::vector<TestBlock>(49152, block), 1));
    TestFile small, large;
    small.name = "small.txt";
    small.size = 100;
    large.name = "large.bin";
    large.size = 49152u * 32768u;
    large.folderIndex = 1;
    cabinet.files = {small, large};
    return cabinet;
}

// Starts `tamrix run` in the given form, waits until the large file is being written, sends the
// signal and returns the wait status.
int interruptMidExtraction(const TempFolder& folder, const std::string& packagePath,
                           const std::string& form, int signal) {
    const std::string ui = form == "console" ? "console" : "script:" + folder.host("answers");
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        const int err = open(folder.host("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(err, 2);
        execl(TAMRIX_TOOL, TAMRIX_TOOL, "run", "--ui", ui.c_str(), "--transcript",
              folder.host("transcript").c_str(), packagePath.c_str(), nullptr);
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    auto started = [&] {
        struct stat info;
        return stat(folder.host("out/large.bin").c_str(), &info) == 0 && info.st_size > 0;
    };
    while (!started() && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return status;  // ended too early
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST_F(RunToolTest, SignalsStopTheRunAsCancelDoes) {
    HeaderFields header = quietHeader(folder);
    header.openFolderAfter = 1;
    const std::string pkg = writePackage(smallThenLarge(), header);
    for (const std::string form : {"script", "console"}) {
        for (int signal : {SIGINT, SIGTERM}) {
            SCOPED_TRACE(form + " form, signal " + std::to_string(signal));
            fs::remove_all(folder.host("out"));
            const int status = interruptMidExtraction(folder, pkg, form, signal);
            ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
            EXPECT_EQ(WEXITSTATUS(status), 0) << text("stderr");  // a user's stop
            EXPECT_NE(text("stderr").find("stopping; a second signal ends at once"),
                      std::string::npos);
            EXPECT_EQ(readFile(folder.host("out/small.txt")), Bytes(100, 's'));
            EXPECT_FALSE(fs::exists(folder.host("out/large.bin")));  // no truncated file
            if (form == "script") {
                const std::string transcript = text("transcript");
                EXPECT_EQ(transcript.find("shell open"), std::string::npos) << transcript;
                EXPECT_EQ(transcript.find("messagebox"), std::string::npos) << transcript;
            }
        }
    }
}

// The first signal asks for the stop; a second one ends the process at once by its default action.
TEST(RunSignals, SecondSignalEndsAtOnce) {
    const pid_t child = fork();
    if (child == 0) {
        runState.cancelRequested = kNotStopped;
        tool::stopOnSignals();
        raise(SIGTERM);
        if (runState.cancelRequested.load() != kStoppedByUser) _exit(3);
        raise(SIGTERM);
        _exit(4);  // still alive
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

}  // namespace
}  // namespace tamrix::test
