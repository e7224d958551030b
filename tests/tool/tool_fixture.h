// Runs the built tamrix tool in a temporary folder of its own and reads what it left there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/cabinet_builder.h"

namespace tamrix::test {

struct ToolResult {
    int status;  // the exit status, or 128 + the signal that ended the tool
    std::string out, err;
};

class ToolCommandTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs "tamrix ARGUMENTS" through the shell in the temporary folder (so relative names
    // work); stdin is /dev/null unless input names a file to feed in.
    // environment: assignments such as "TZ=UTC" put before the command.
    ToolResult tamrix(const std::string& arguments, const std::string& input = "",
                      const std::string& environment = "");

    void write(const std::string& name, const Bytes& data);
    void writeText(const std::string& name, const std::string& text);
    Bytes read(const std::string& name) const;
    std::string at(const std::string& name) const { return (root / name).string(); }
    // Regular files below a folder of the temporary folder, relative to it, sorted; hidden
    // (temporary) files included.
    std::vector<std::string> filesBelow(const std::string& folder) const;

    std::filesystem::path root;
};

// A stored cabinet holding the named contents in one folder.
Bytes storedCabinetOf(const std::vector<std::pair<std::string, Bytes>>& contents);

}  // namespace tamrix::test
