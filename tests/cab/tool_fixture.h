// Runs the tamrix tool as a user does, on cabinets made by the builder in a fresh folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/cabinet_builder.h"

namespace tamrix::test {

namespace fs = std::filesystem;

struct ToolRun {
    int status;
    std::string out, err;
};

class ToolTest : public ::testing::Test {
  public:
    void SetUp() override {
        char pattern[] = "/tmp/tamrix-tool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        out = root / "out";
    }
    void TearDown() override {
        // Read-only files inside are removed with their folder.
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void write(const std::string& name, const Bytes& data) {
        std::ofstream(root / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    }
    static Bytes read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    ToolRun tamrix(const std::string& arguments) { return tamrixWith("", arguments); }
    // Runs the tool through the shell after `prefix` (limits, signal dispositions).
    ToolRun tamrixWith(const std::string& prefix, const std::string& arguments) {
        const std::string command = prefix + std::string(TAMRIX_TOOL) + " " + arguments + " >" +
                                    (root / "stdout").string() + " 2>" + (root / "stderr").string();
        const int status = std::system(command.c_str());
        auto text = [](const fs::path& p) {
            Bytes b = read(p);
            return std::string(b.begin(), b.end());
        };
        return ToolRun{WEXITSTATUS(status), text(root / "stdout"), text(root / "stderr")};
    }
    std::string at(const std::string& name) { return (root / name).string(); }
    // Every regular file below the output folder, relative to it.
    std::vector<std::string> outputFiles() {
        std::vector<std::string> names;
        if (!fs::exists(out)) return names;
        for (const auto& e : fs::recursive_directory_iterator(out)) {
            if (e.is_regular_file()) names.push_back(fs::relative(e.path(), out).string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root, out;
};

inline TestCabinet storedCabinet(const std::vector<std::pair<std::string, Bytes>>& contents) {
    StoredLayout layout = layOutStored(contents);
    TestCabinet plan;
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    return plan;
}

inline TestFile entry(const std::string& name, uint32_t offset, uint32_t size,
                      uint16_t folderIndex) {
    TestFile file;
    file.name = name;
    file.folderOffset = offset;
    file.size = size;
    file.folderIndex = folderIndex;
    return file;
}

}  // namespace tamrix::test
