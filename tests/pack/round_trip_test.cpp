// Files -> tamrix pack -> tamrix extract and tamrix run give back the same bytes, names, dates and
// read-only bits, for every compression kind whose compressor and decoder are both built.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <map>

#include "codecs/codec_interface.h"
#include "pack/compression.h"
#include "tests/pack/pack_fixtures.h"

namespace tamrix {
namespace {

using pack::CompressionKind;

bool decoderBuilt(const pack::Compression& compression) {
    if (compression.kind == CompressionKind::Stored) return true;
    const CodecOps& ops = compression.kind == CompressionKind::Mszip ? kMszipCodec
                          : compression.kind == CompressionKind::Lzx ? kLzxCodec
                                                                     : kQuantumCodec;
    LzxParams lzx{1u << compression.windowBits};
    QuantumParams quantum{compression.windowBits, 0};
    const void* params = nullptr;
    if (compression.kind == CompressionKind::Lzx) params = &lzx;
    if (compression.kind == CompressionKind::Quantum) params = &quantum;
    uint32_t maxOutput = kCodecOutputSize;
    uint32_t inputSize = 0;
    // A query allocates nothing; the placeholders that stand in for unbuilt codecs refuse it.
    return ops.create(&maxOutput, params, nullptr, nullptr, &inputSize, nullptr, nullptr) ==
           CodecSuccess;
}

struct Expected {
    std::vector<uint8_t> bytes;
    bool readOnly;
};

// Every file below root by its path relative to root.
void listTree(const std::string& root, const std::string& relative, time_t mtime,
              std::map<std::string, Expected>* files) {
    for (const std::string& name : test::folderListing(root + "/" + relative)) {
        std::string path = relative.empty() ? name : relative + "/" + name;
        struct stat info;
        ASSERT_EQ(0, stat((root + "/" + path).c_str(), &info));
        if (S_ISDIR(info.st_mode)) {
            listTree(root, path, mtime, files);
        } else {
            (*files)[path] = {test::readFile(root + "/" + path), !(info.st_mode & S_IWUSR)};
            EXPECT_EQ(mtime, info.st_mtime) << path;
        }
    }
}

class RoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, ExtractAndRunGiveBackTheFiles) {
    pack::Compression compression;
    std::string error;
    if (!pack::parseCompression(GetParam(), &compression, &error)) GTEST_SKIP() << error;
    if (!decoderBuilt(compression)) GTEST_SKIP() << GetParam() << ": no decoder in this build";

    test::TempFolder folder;
    const std::string tree = folder.host("tree");
    mkdir(tree.c_str(), 0755);
    mkdir((tree + "/docs").c_str(), 0755);
    mkdir((tree + "/bin").c_str(), 0755);
    test::writeFile(tree + "/readme.txt", test::textBytes(3000));
    test::writeFile(tree + "/docs/manual.txt", test::textBytes(200000, 5));
    test::writeFile(tree + "/docs/empty.txt", {});
    test::writeFile(tree + "/bin/tool.bin", test::noiseBytes(90000, 8));
    test::writeFile(tree + "/bin/locked.dat", test::textBytes(40000, 2));
    for (const char* name :
         {"readme.txt", "docs/manual.txt", "docs/empty.txt", "bin/tool.bin", "bin/locked.dat"}) {
        struct utimbuf times {
            1600000001, 1600000001
        };
        ASSERT_EQ(0, utime((tree + "/" + name).c_str(), &times));
    }
    chmod((tree + "/bin/locked.dat").c_str(), 0444);
    test::writeFile(folder.host("stub.exe"), test::testStub());
    std::map<std::string, Expected> original;
    {
        SCOPED_TRACE("original");
        listTree(tree, "", 1600000001, &original);
    }

    // Two folders, so the codec is reset between them.
    std::string output;
    ASSERT_EQ(0, test::runTool({"pack", "--stub", folder.host("stub.exe"), "-o",
                                folder.host("p.exe"), "--compress", GetParam(), "--folder-size",
                                "150K", "--auto-confirm", "--no-open-folder", "--no-dialog",
                                "--destination", folder.windows("ran"), tree},
                               &output, "TZ=UTC"))
        << output;
    EXPECT_EQ(0, test::runTool({"test", folder.host("p.exe")}, &output)) << output;

    ASSERT_EQ(0, test::runTool({"extract", "-q", "-d", folder.host("out"), folder.host("p.exe")},
                               &output, "TZ=UTC"))
        << output;
    std::map<std::string, Expected> extracted;
    {
        SCOPED_TRACE("extracted");
        listTree(folder.host("out"), "", 1600000000, &extracted);  // DOS: even seconds
    }
    ASSERT_EQ(original.size(), extracted.size());
    for (const auto& [name, file] : original) {
        ASSERT_TRUE(extracted.count(name)) << name;
        EXPECT_EQ(file.bytes, extracted[name].bytes) << name;
        EXPECT_EQ(file.readOnly, extracted[name].readOnly) << name;
    }

    // The stub's own flow, with every question settled by the header. Its windows live until
    // the process ends, on purpose, so a sanitizer build must not count them as leaks.
    test::writeFile(folder.host("answers.txt"), {});
    ASSERT_EQ(0, test::runTool(
                     {"run", "--ui", "script:" + folder.host("answers.txt"), folder.host("p.exe")},
                     &output, "TZ=UTC ASAN_OPTIONS=detect_leaks=0"))
        << output;
    std::map<std::string, Expected> ran;
    {
        SCOPED_TRACE("run");
        listTree(folder.host("ran"), "", 1600000000, &ran);
    }
    ASSERT_EQ(original.size(), ran.size()) << output;
    for (const auto& [name, file] : original) {
        EXPECT_EQ(file.bytes, ran[name].bytes) << name;
        EXPECT_EQ(file.readOnly, ran[name].readOnly) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, RoundTrip,
                         testing::Values("none", "mszip", "lzx:21", "lzx:15", "quantum:21",
                                         "quantum:10"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (c == ':') c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace tamrix
