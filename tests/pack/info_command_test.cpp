// tamrix info and tamrix test on what they are given: plain cabinets of sets, packages whose
// header texts could break a line-based listing, files that hold no cabinet, and cabinets whose
// blocks carry no checksums.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "tests/pack/pack_fixtures.h"
#include "tests/support/cabinet_builder.h"

namespace tamrix {
namespace {

bool has(const std::string& output, const std::string& fragment) {
    return output.find(fragment) != std::string::npos;
}

// The middle cabinet of a set: reserve areas, neighbours (the next one's disk name with a line
// break in it), an LZX folder whose blocks carry checksums and a stored one whose blocks do not.
test::Bytes middleCabinet() {
    test::TestCabinet cabinet;
    cabinet.setId = 0x4D2;
    cabinet.cabinetIndex = 1;
    cabinet.reservePresent = true;
    cabinet.headerReserve = test::Bytes(6, 0xAA);
    cabinet.folderReserveSize = 2;
    cabinet.dataReserveSize = 1;
    cabinet.previousCabinet = "part1.cab";
    cabinet.previousDisk = "Disk 1";
    cabinet.nextCabinet = "part3.cab";
    cabinet.nextDisk = "Disk\n3";
    std::vector<test::TestBlock> checked = test::storedBlocks(test::patternBytes(40000, 3));
    cabinet.folders.push_back(test::folderOf(checked, 0x1503));
    std::vector<test::TestBlock> unchecked = test::storedBlocks(test::patternBytes(70000, 4));
    for (test::TestBlock& block : unchecked) block.withChecksum = false;
    cabinet.folders.push_back(test::folderOf(unchecked));
    cabinet.files = {{"a.bin", 40000, 0, 0}, {"b.bin", 30000, 0, 1}, {"c.bin", 40000, 30000, 1}};
    return test::buildCabinet(cabinet);
}

TEST(InfoCommand, APlainCabinetShowsItsSetReserveNeighboursFoldersAndFiles) {
    test::TempFolder folder;
    test::writeFile(folder.host("part2.cab"), middleCabinet());
    std::string output;
    ASSERT_EQ(0, test::runTool({"info", folder.host("part2.cab")}, &output)) << output;
    for (const char* line : {"kind: cabinet\n",
                             "cabinetOffset: 0\n",
                             "version: 1.3\n",
                             "setId: 1234\n",
                             "cabinetIndex: 1\n",
                             "previousCabinet: part1.cab\n",
                             "previousCabinetDisk: Disk 1\n",
                             "nextCabinet: part3.cab\n",
                             "nextCabinetDisk: Disk\\n3\n",
                             "headerReserve: 6\n",
                             "folderReserve: 2\n",
                             "blockReserve: 1\n",
                             "folders.0.compression: lzx:21\n",
                             "folders.0.blocks: 2\n",
                             "folders.0.blocksWithoutChecksum: 0\n",
                             "folders.1.compression: none\n",
                             "folders.1.blocks: 3\n",
                             "folders.1.blocksWithoutChecksum: 3\n",
                             "files: 3\n",
                             "fileBytes: 110000\n"}) {
        EXPECT_TRUE(has(output, line)) << line << output;
    }
    EXPECT_FALSE(has(output, "imageEnd")) << output;

    ASSERT_EQ(0, test::runTool({"info", "--json", folder.host("part2.cab")}, &output)) << output;
    EXPECT_EQ('{', output.front());
    EXPECT_EQ("}\n", output.substr(output.size() - 2));
    for (const char* member :
         {"\"kind\": \"cabinet\"", "\"setId\": 1234", "\"nextCabinetDisk\": \"Disk\\n3\"",
          "\"folders\": [{\"compression\": \"lzx:21\", \"blocks\": 2, "
          "\"blocksWithoutChecksum\": 0}, {\"compression\": \"none\"",
          "\"files\": 3"}) {
        EXPECT_TRUE(has(output, member)) << member << "\n" << output;
    }
}

TEST(InfoCommand, AFileWithoutACabinetFails) {
    test::TempFolder folder;
    test::writeFile(folder.host("notes.txt"), test::textBytes(3000));
    test::writeFile(folder.host("stub.exe"), test::testStub());
    std::string output;
    EXPECT_EQ(1, test::runTool({"info", folder.host("notes.txt")}, &output));
    EXPECT_TRUE(has(output, "is neither a package nor a cabinet")) << output;
    EXPECT_EQ(1, test::runTool({"info", folder.host("stub.exe")}, &output));
    EXPECT_TRUE(has(output, "holds no cabinet")) << output;
    EXPECT_TRUE(has(output, "cabinetOffset: none")) << output;
    EXPECT_EQ(1, test::runTool({"info", folder.host("missing.exe")}, &output));
    EXPECT_EQ(1, test::runTool({"info", "--settings", folder.host("stub.exe")}, &output));
    EXPECT_TRUE(has(output, "has no package header")) << output;
    EXPECT_EQ(2, test::runTool({"info", "--colour", folder.host("stub.exe")}, &output));
}

TEST(InfoCommand, HeaderSettingsGoBackIntoPackUnchanged) {
    test::TempFolder folder;
    mkdir(folder.host("tree").c_str(), 0755);
    test::writeFile(folder.host("tree/a.txt"), test::textBytes(500));
    test::writeFile(folder.host("stub.exe"), test::testStub());
    std::string output;
    // A question whose second line looks like a setting, quotes, backslashes, spaces at the ends
    // and a character outside ASCII.
    ASSERT_EQ(0, test::runTool({"pack", "--stub", folder.host("stub.exe"), "-o",
                                folder.host("first.exe"), "-q", "--question",
                                "Install?\nauto-confirm: yes", "--caption", " \"Caf\xC3\xA9\" ",
                                "--destination", "%temp%\\demo\\", "--setup", "setup.exe /q",
                                "--no-open-folder", "--no-dialog", "--no-crc", folder.host("tree")},
                               &output))
        << output;
    ASSERT_EQ(0, test::runTool({"info", folder.host("first.exe")}, &output)) << output;
    EXPECT_TRUE(has(output, "question: Install?\\nauto-confirm: yes\n")) << output;
    EXPECT_TRUE(has(output, "\nauto-confirm: no\n")) << output;
    EXPECT_FALSE(has(output, "\nauto-confirm: yes")) << output;
    EXPECT_TRUE(has(output, "caption:  \"Caf\xC3\xA9\" \n")) << output;
    EXPECT_TRUE(has(output, "crcValid: none\n")) << output;

    ASSERT_EQ(0, test::runTool({"info", "--settings", folder.host("first.exe")}, &output));
    test::writeFile(folder.host("s.txt"), {output.begin(), output.end()});
    ASSERT_EQ(0, test::runTool(
                     {"pack", "--stub", folder.host("stub.exe"), "-o", folder.host("second.exe"),
                      "-q", "--from", folder.host("s.txt"), folder.host("tree")},
                     &output))
        << output;
    std::vector<uint8_t> first = test::readFile(folder.host("first.exe"));
    std::vector<uint8_t> second = test::readFile(folder.host("second.exe"));
    size_t header = test::testStub().size();
    ASSERT_GE(second.size(), header + 512);
    EXPECT_EQ(0, std::memcmp(&first[header], &second[header], 512));

    // A header byte the code page does not define cannot go into a settings file as it is.
    first[header + 8] = 0x81;  // with 0x40 behind it, a full-width space in code page 932
    first[header + 9] = 0x40;
    std::memcpy(&first[header + 416], "Demo", 5);  // the caption's e-acute is no 932 text
    test::writeFile(folder.host("odd.exe"), first);
    EXPECT_EQ(1, test::runTool({"info", "--settings", folder.host("odd.exe")}, &output));
    EXPECT_TRUE(has(output, "--codepage")) << output;
    EXPECT_EQ(0, test::runTool({"info", "--settings", "--codepage", "932", folder.host("odd.exe")},
                               &output))
        << output;
}

TEST(TestCommand, CrcAndChecksumsDecideWhatIsVerified) {
    test::TempFolder folder;
    mkdir(folder.host("tree").c_str(), 0755);
    test::writeFile(folder.host("tree/a.txt"), test::textBytes(50000));
    test::writeFile(folder.host("stub.exe"), test::testStub());
    std::string output;
    ASSERT_EQ(0, test::runTool({"cab", "-q", "-o", folder.host("bare.cab"), "--no-checksums",
                                folder.host("tree")}));
    EXPECT_EQ(0, test::runTool({"test", folder.host("bare.cab")}, &output)) << output;
    EXPECT_TRUE(has(output, "1 files not verified (no checksums)\n")) << output;

    test::writeFile(folder.host("part2.cab"), middleCabinet());
    EXPECT_EQ(1, test::runTool({"test", folder.host("part2.cab")}, &output));  // part3 is missing

    // In a package the CRC covers what the checksums do not.
    ASSERT_EQ(0, test::runTool({"pack", "-q", "--stub", folder.host("stub.exe"), "-o",
                                folder.host("p.exe"), "--cab", folder.host("bare.cab")}));
    EXPECT_EQ(0, test::runTool({"test", folder.host("p.exe")}, &output)) << output;
    EXPECT_TRUE(has(output, "1 files OK (by the package CRC")) << output;

    std::vector<uint8_t> package = test::readFile(folder.host("p.exe"));
    package.back() ^= 1;  // a padding byte: the cabinet still decodes, the CRC does not match
    test::writeFile(folder.host("p.exe"), package);
    EXPECT_EQ(1, test::runTool({"test", folder.host("p.exe")}, &output));
    EXPECT_TRUE(has(output, "error: CRC check error")) << output;
    EXPECT_FALSE(has(output, "OK")) << output;
}

}  // namespace
}  // namespace tamrix
