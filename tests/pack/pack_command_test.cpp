// tamrix pack and tamrix cab as the user runs them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <cstring>

#include "tests/pack/cabinet_parser.h"
#include "tests/pack/pack_fixtures.h"

namespace tamrix {
namespace {

// A small tree: text, noise, a read-only file and a sub-folder.
void makeTree(const test::TempFolder& folder, const std::string& root) {
    mkdir(folder.host(root).c_str(), 0755);
    mkdir(folder.host(root + "/sub").c_str(), 0755);
    test::writeFile(folder.host(root + "/readme.txt"), test::textBytes(3000));
    test::writeFile(folder.host(root + "/sub/data.bin"), test::noiseBytes(80000, 4));
    test::writeFile(folder.host(root + "/sub/notes.txt"), test::textBytes(50000, 9));
    chmod(folder.host(root + "/sub/notes.txt").c_str(), 0444);
}

void touchTree(const test::TempFolder& folder, const std::string& root, time_t moment) {
    for (const char* name : {"/readme.txt", "/sub/data.bin", "/sub/notes.txt"}) {
        struct utimbuf times {
            moment, moment
        };
        utime(folder.host(root + name).c_str(), &times);
    }
}

std::string stubFile(const test::TempFolder& folder) {
    test::writeFile(folder.host("stub.exe"), test::testStub());
    return folder.host("stub.exe");
}

TEST(PackCommand, TheSameInputsGiveTheSameBytes) {
    test::TempFolder folder;
    makeTree(folder, "tree");
    touchTree(folder, "tree", 1600000000);
    std::string stub = stubFile(folder);
    std::vector<std::string> args = {"pack", "--stub", stub, "-q", folder.host("tree")};
    std::string output;
    auto build = [&](const std::string& name, const std::string& environment) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {"-o", folder.host(name)});
        EXPECT_EQ(0, test::runTool(all, &output, environment)) << output;
        return test::readFile(folder.host(name));
    };
    std::vector<uint8_t> first = build("1.exe", "TZ=UTC");
    EXPECT_EQ(first, build("2.exe", "TZ=UTC"));
    // Other file dates change the package, unless SOURCE_DATE_EPOCH fixes every date.
    touchTree(folder, "tree", 1700000000);
    EXPECT_NE(first, build("3.exe", "TZ=UTC"));
    std::vector<uint8_t> fixed = build("4.exe", "SOURCE_DATE_EPOCH=1500000000 TZ=UTC");
    touchTree(folder, "tree", 1600000000);
    EXPECT_EQ(fixed, build("5.exe", "SOURCE_DATE_EPOCH=1500000000 TZ=Asia/Tokyo"));
}

TEST(PackCommand, SettingsFromAFileMatchTheOptions) {
    test::TempFolder folder;
    makeTree(folder, "tree");
    std::string stub = stubFile(folder);
    std::string settings =
        "# demo\n"
        "destination = %temp%\\demo\n"
        "setup = setup.exe\n"
        "caption = Demo\n"
        "question = \"Install the demo?\"\n"
        "auto-confirm = yes\n"
        "no-open-folder = yes\n"
        "delete-after-setup = yes\n"
        "no-dialog = yes\n"
        "compress = none\n";
    test::writeFile(folder.host("demo.ini"),
                    std::vector<uint8_t>(settings.begin(), settings.end()));
    std::string output;
    ASSERT_EQ(0, test::runTool({"pack", "--stub", stub, "-o", folder.host("a.exe"), "--from",
                                folder.host("demo.ini"), folder.host("tree")},
                               &output))
        << output;
    ASSERT_EQ(0, test::runTool({"pack",
                                "--stub",
                                stub,
                                "-o",
                                folder.host("b.exe"),
                                "--destination",
                                "%temp%\\demo",
                                "--setup",
                                "setup.exe",
                                "--caption",
                                "Demo",
                                "--question",
                                "Install the demo?",
                                "--auto-confirm",
                                "--no-open-folder",
                                "--delete-after-setup",
                                "--no-dialog",
                                "--compress",
                                "none",
                                folder.host("tree")},
                               &output))
        << output;
    std::vector<uint8_t> a = test::readFile(folder.host("a.exe"));
    EXPECT_EQ(a, test::readFile(folder.host("b.exe")));
    size_t header = test::testStub().size();
    EXPECT_STREQ("%temp%\\demo", reinterpret_cast<const char*>(&a[header + 8]));
    EXPECT_EQ(0, a[header + 400]);  // no-open-folder

    // Options after --from win over the file; an unknown key names its line.
    ASSERT_EQ(0,
              test::runTool({"pack", "--stub", stub, "-o", folder.host("c.exe"), "--from",
                             folder.host("demo.ini"), "--caption", "Other", folder.host("tree")}));
    EXPECT_STREQ("Other", reinterpret_cast<const char*>(
                              &test::readFile(folder.host("c.exe"))[header + 416]));
    test::writeFile(folder.host("bad.ini"), {'c', 'o', 'l', 'o', 'r', '=', '1', '\n'});
    EXPECT_NE(0, test::runTool({"pack", "--stub", stub, "-o", folder.host("d.exe"), "--from",
                                folder.host("bad.ini"), folder.host("tree")},
                               &output));
    EXPECT_NE(std::string::npos, output.find("bad.ini:1:")) << output;
}

TEST(PackCommand, RefusalsLeaveNothingBehind) {
    test::TempFolder folder;
    makeTree(folder, "tree");
    std::string stub = stubFile(folder);
    mkdir(folder.host("out").c_str(), 0755);
    std::string target = folder.host("out/p.exe");
    std::string output;
    const std::vector<std::vector<std::string>> refused = {
        {"--caption", std::string(32, 'c')},
        {"--question", std::string(64, 'q')},
        {"--setup", std::string(128, 's')},
        {"--destination", std::string(260, 'd')},
        {"--delete-after-setup"},
        {"--compress", "lzx:22"},
        {"--compress", "zip"},
        {"--stub", folder.host("tree/readme.txt")},
    };
    for (const std::vector<std::string>& extra : refused) {
        std::vector<std::string> args = {"pack", "--stub", stub, "-o", target};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(folder.host("tree"));
        EXPECT_NE(0, test::runTool(args, &output)) << extra[0];
        EXPECT_FALSE(output.empty());
        EXPECT_TRUE(test::folderListing(folder.host("out")).empty()) << extra[0];
    }
    EXPECT_NE(0, test::runTool({"pack", "--stub", stub, "-o", target}, &output));
    EXPECT_NE(0, test::runTool({"pack", "--stub", stub, "-o", target, "--cab",
                                folder.host("tree/readme.txt")},
                               &output));
    EXPECT_TRUE(test::folderListing(folder.host("out")).empty());
}

TEST(CabCommand, APlainCabinetAndAPackageMadeFromIt) {
    test::TempFolder folder;
    makeTree(folder, "tree");
    std::string output;
    ASSERT_EQ(0, test::runTool({"cab", "-o", folder.host("t.cab"), "--folder-size", "64K",
                                folder.host("tree")},
                               &output))
        << output;
    std::vector<uint8_t> cabinet = test::readFile(folder.host("t.cab"));
    test::ParsedCabinet parsed;
    ASSERT_TRUE(test::parseCabinet(cabinet, &parsed));
    ASSERT_EQ(3u, parsed.files.size());
    EXPECT_EQ(3u, parsed.folders.size());
    EXPECT_EQ("sub\\notes.txt", parsed.files[2].name);
    EXPECT_EQ(0x21, parsed.files[2].attributes);
    EXPECT_EQ(test::textBytes(50000, 9), test::fileBytes(parsed, 2));

    std::string stub = stubFile(folder);
    ASSERT_EQ(0, test::runTool({"pack", "--stub", stub, "-o", folder.host("p.exe"), "--cab",
                                folder.host("t.cab")},
                               &output))
        << output;
    std::vector<uint8_t> package = test::readFile(folder.host("p.exe"));
    // The cabinet unchanged, then zero bytes up to a multiple of 8.
    size_t offset = test::testStub().size() + 512;
    ASSERT_EQ((offset + cabinet.size() + 7) / 8 * 8, package.size());
    EXPECT_TRUE(std::equal(cabinet.begin(), cabinet.end(), package.begin() + long(offset)));
    EXPECT_TRUE(std::all_of(package.begin() + long(offset + cabinet.size()), package.end(),
                            [](uint8_t byte) { return byte == 0; }));
}

TEST(PackCommand, InfoOnAPackageOfTheBuiltStub) {
    std::string stub = test::builtStubPath();
    if (stub.empty()) GTEST_SKIP() << "TAMRIX_STUB not set";
    test::TempFolder folder;
    makeTree(folder, "tree");
    std::string output;
    ASSERT_EQ(0, test::runTool({"pack", "--stub", stub, "-o", folder.host("p.exe"), "--caption",
                                "Demo", folder.host("tree")},
                               &output))
        << output;
    ASSERT_EQ(0, test::runTool({"info", folder.host("p.exe")}, &output)) << output;
    size_t size = test::readFile(stub).size();
    EXPECT_NE(std::string::npos, output.find("imageEnd: " + std::to_string(size) + "\n")) << output;
    EXPECT_NE(std::string::npos, output.find("headerValid: yes")) << output;
    EXPECT_NE(std::string::npos, output.find("caption: Demo\n")) << output;
    EXPECT_NE(std::string::npos, output.find("cabinetOffset: " + std::to_string(size + 512)))
        << output;
}

}  // namespace
}  // namespace tamrix
