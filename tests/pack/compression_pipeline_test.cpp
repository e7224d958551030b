// The compression pipeline: the same cabinet for any number of threads, every level of every
// compressor back through the tool's extraction, and failures reported in order.
#include <gtest/gtest.h>

#include "pack/build_options.h"
#include "pack/progress_line.h"
#include "tests/pack/pack_fixtures.h"

namespace tamrix {
namespace {

struct Sample {
    test::TempFolder folder;
    std::vector<pack::CabinetEntry> entries;
    std::vector<std::vector<uint8_t>> contents;

    // Text and noise in turns: 1.2 MB, more than one MSZIP run of 32 frames and several
    // folders at a 300K folder size.
    Sample() {
        for (uint32_t i = 0; i < 6; ++i) {
            contents.push_back(i % 3 == 2 ? test::noiseBytes(100000 + i, i)
                                          : test::textBytes(250000 + 777 * i, i));
            entries.push_back(
                test::makeEntry(folder, "f" + std::to_string(i) + ".dat", contents.back()));
        }
    }
};

pack::CabinetOptions optionsFor(const std::string& compression, int level, unsigned jobs,
                                uint64_t folderSize) {
    pack::CabinetOptions options;
    std::string error;
    EXPECT_TRUE(pack::parseCompression(compression, &options.compression, &error)) << error;
    options.compression.level = level;
    options.jobs = jobs;
    options.folderSize = folderSize;
    return options;
}

struct PipelineCase {
    const char* compression;
    int level;
    uint64_t folderSize;  // 0: one folder
};

class Pipeline : public testing::TestWithParam<PipelineCase> {};

TEST_P(Pipeline, SameBytesOnAnyThreadCountAndTheFilesComeBack) {
    const PipelineCase& c = GetParam();
    Sample sample;
    const std::vector<uint8_t> single = test::writeCabinetBytes(
        sample.folder, sample.entries, optionsFor(c.compression, c.level, 1, c.folderSize));
    ASSERT_FALSE(single.empty());
    for (unsigned jobs : {2u}) {
        const std::vector<uint8_t> parallel = test::writeCabinetBytes(
            sample.folder, sample.entries, optionsFor(c.compression, c.level, jobs, c.folderSize));
        ASSERT_TRUE(parallel == single) << jobs << " threads";
    }
    std::string output;
    ASSERT_EQ(0, test::runTool({"extract", "-q", "-d", sample.folder.host("out"),
                                sample.folder.host("written.cab")},
                               &output))
        << output;
    for (size_t i = 0; i < sample.entries.size(); ++i) {
        EXPECT_TRUE(test::readFile(sample.folder.host("out/" + sample.entries[i].name)) ==
                    sample.contents[i])
            << sample.entries[i].name;
    }
}

std::vector<PipelineCase> pipelineCases() {
    std::vector<PipelineCase> cases = {
        {"none", 6, 300000}, {"mszip", 1, 0}, {"mszip", 6, 0}, {"mszip", 9, 300000}};
    for (int level = 1; level <= 9; ++level) {
        cases.push_back({"lzx:21", level, 300000});
        cases.push_back({"quantum:21", level, 300000});
    }
    cases.push_back({"lzx:15", 9, 0});
    cases.push_back({"lzx:18", 6, 0});
    cases.push_back({"quantum:10", 6, 0});
    cases.push_back({"quantum:16", 9, 0});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, Pipeline, testing::ValuesIn(pipelineCases()),
                         [](const testing::TestParamInfo<PipelineCase>& info) {
                             std::string name = info.param.compression;
                             for (char& ch : name) {
                                 if (ch == ':') ch = '_';
                             }
                             return name + "_L" + std::to_string(info.param.level) +
                                    (info.param.folderSize ? "_folders" : "_one");
                         });

TEST(Pipeline, AFileChangedInALaterRunFailsAfterTheBlocksBeforeIt) {
    // The fourth file sits in a later MSZIP run, made by another thread than the first.
    Sample sample;
    pack::CabinetOptions options = optionsFor("mszip", 6, 2, 0);
    pack::CabinetPlan plan;
    std::string error;
    ASSERT_TRUE(pack::planCabinet(sample.entries, options, 0xFFFFFFFFu, &plan, &error));
    test::writeFile(sample.entries[3].sourcePath, test::textBytes(1000));
    pack::OutputFile out;
    ASSERT_TRUE(out.open(sample.folder.host("x.cab"), &error));
    pack::CabinetResult result;
    EXPECT_FALSE(pack::writeCabinet(sample.entries, options, plan, &out, &result, &error));
    EXPECT_NE(std::string::npos, error.find("changed")) << error;
}

TEST(BuildOptions, LevelsByNameAndNumberAndThreadCounts) {
    pack::BuildOptions options;
    std::string error;
    const std::pair<const char*, int> good[] = {{"fast", 1}, {"normal", 6}, {"max", 9}, {"4", 4}};
    for (const auto& [text, level] : good) {
        ASSERT_EQ(pack::OptionResult::Applied,
                  pack::applyBuildOption("level", text, &options, &error))
            << text;
        EXPECT_EQ(level, options.cabinet.compression.level);
    }
    for (const char* bad : {"0", "10", "", "turbo", "5x"}) {
        EXPECT_EQ(pack::OptionResult::Failed,
                  pack::applyBuildOption("level", bad, &options, &error))
            << bad;
    }
    // The level holds whichever of --level and --compress comes first.
    ASSERT_EQ(pack::OptionResult::Applied,
              pack::applyBuildOption("compress", "lzx:16", &options, &error));
    EXPECT_EQ(4, options.cabinet.compression.level);
    ASSERT_EQ(pack::OptionResult::Applied, pack::applyBuildOption("jobs", "2", &options, &error));
    EXPECT_EQ(2u, options.cabinet.jobs);
    for (const char* bad : {"0", "-1", "65", "two"}) {
        EXPECT_EQ(pack::OptionResult::Failed, pack::applyBuildOption("jobs", bad, &options, &error))
            << bad;
    }
}

TEST(ProgressLine, ShowsFilesBytesAndRateAndNothingWhenNotATerminal) {
    EXPECT_EQ("packing: 3/10 files, 1.5/4.0 MiB, 0.8 MiB/s",
              pack::ProgressLine::format(3, 10, 3 << 19, 4 << 20, 2.0));
    // The tool's output goes to a pipe here: no progress line, and -q prints nothing at all.
    Sample sample;
    std::string output;
    ASSERT_EQ(0, test::runTool({"cab", "-o", sample.folder.host("a.cab"), "--compress", "lzx",
                                sample.entries[0].sourcePath},
                               &output));
    EXPECT_EQ(std::string::npos, output.find("packing:")) << output;
    ASSERT_EQ(0, test::runTool({"cab", "-q", "-j", "2", "--level", "fast", "-o",
                                sample.folder.host("b.cab"), sample.entries[0].sourcePath},
                               &output));
    EXPECT_EQ("", output);
}

}  // namespace
}  // namespace tamrix
