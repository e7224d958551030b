// A package in a folder of its own, run through the scripted interface.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/cabinet_builder.h"
#include "tests/support/flow_runner.h"
#include "tests/support/temp_folder.h"

namespace tamrix::test {

class FlowTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directory(folder.host("pkg")); }

    // A one-folder stored cabinet of the given files.
    static Bytes cabinetOf(const std::vector<std::pair<std::string, Bytes>>& contents) {
        StoredLayout layout = layOutStored(contents);
        TestCabinet testCabinet;
        testCabinet.folders = {layout.folder};
        testCabinet.files = layout.files;
        return buildCabinet(testCabinet);
    }

    std::string writePackage(const Bytes& cabinet, const HeaderFields& header, bool crc = true,
                             const std::string& name = "setup1.exe") {
        writeFile(folder.host("pkg/" + name), makePackage(cabinet, header, crc));
        return folder.host("pkg/" + name);
    }

    FlowResult run(const std::string& package, const std::vector<std::string>& answers,
                   const std::string& tail = "") {
        FlowResult result = runFlow(package, answers, tail, onCabinetMissing);
        if (::testing::Test::HasFailure() || getenv("TAMRIX_SHOW_TRANSCRIPT")) {
            std::fprintf(stderr, "%s", result.transcript.c_str());
        }
        return result;
    }

    // A text as the transcript quotes it: backslashes doubled.
    static std::string escaped(const std::string& text) {
        std::string result;
        for (char c : text) result += c == '\\' ? std::string("\\\\") : std::string(1, c);
        return result;
    }

    std::string out(const std::string& name = "") const { return folder.host("out/" + name); }

    CabinetMissingHook onCabinetMissing;
    TempFolder folder;
    Bytes readme = patternBytes(1000, 1);
    Bytes data = patternBytes(70000, 2);
};

}  // namespace tamrix::test
