// Name patterns, escaping of outside names, the argument grammar and the folder table reader.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/redraw_throttle.h"
#include "tests/support/cabinet_builder.h"
#include "tools/arguments.h"
#include "tools/display_text.h"
#include "tools/folder_table.h"
#include "tools/name_pattern.h"

namespace tamrix::tool {
namespace {

TEST(NamePattern, MatchesShellStyleOnTheFullName) {
    EXPECT_TRUE(matchesPattern("*.txt", "docs\\readme.txt"));  // '*' crosses separators
    EXPECT_TRUE(matchesPattern("docs/*", "docs\\a\\b.bin"));   // '/' and '\' are one separator
    EXPECT_TRUE(matchesPattern("docs\\?.bin", "docs/a.bin"));
    EXPECT_FALSE(matchesPattern("docs/?.bin", "docs/ab.bin"));
    EXPECT_FALSE(matchesPattern("*.txt", "a.txt.bak"));
    EXPECT_TRUE(matchesPattern("README.TXT", "readme.txt"));  // letters in either case
    EXPECT_TRUE(matchesPattern("[a-c]*", "Beta"));
    EXPECT_FALSE(matchesPattern("[!a-c]*", "beta"));
    EXPECT_TRUE(matchesPattern("[]x]", "]"));
    EXPECT_TRUE(matchesPattern("a[", "a["));               // an unclosed set is plain text
    EXPECT_TRUE(matchesPattern("?.txt", "\xC3\xA9.txt"));  // '?' takes one whole character
    EXPECT_TRUE(matchesPattern("*a*b*c", "xaxbxbxc"));     // backtracking
    EXPECT_FALSE(matchesPattern("*a*b*c", "xaxbxbx"));
    EXPECT_TRUE(matchesPattern("*", ""));
    EXPECT_FALSE(matchesPattern("?", ""));
    EXPECT_TRUE(matchesAny({}, "anything"));
    EXPECT_TRUE(matchesAny({"x", "*.c"}, "m.c"));
    EXPECT_FALSE(matchesAny({"x", "*.c"}, "m.h"));
}

TEST(DisplayText, ControlCharactersNeverPassRaw) {
    EXPECT_EQ("a\\nb\\x1B[31m\\x01\\x7F", escapeControls("a\nb\x1B[31m\x01\x7F"));
    EXPECT_EQ("caf\xC3\xA9", escapeControls("caf\xC3\xA9"));  // UTF-8 stays as it is
    std::string name = "a\nb\tc";
    EXPECT_TRUE(replaceControls(&name));
    EXPECT_EQ("a_b_c", name);
    std::string plain = "plain";
    EXPECT_FALSE(replaceControls(&plain));
    EXPECT_EQ("q\\\"\\\\\\n\\u001B", jsonEscape("q\"\\\n\x1B"));
    EXPECT_EQ("00ff41", hexBytes(std::string("\0\xFF"
                                             "A",
                                             3)));
}

struct Parsed {
    ParseOutcome outcome;
    std::vector<std::pair<int, std::string>> options;
    std::vector<std::string> words;
};

Parsed parse(std::vector<std::string> args) {
    args.insert(args.begin(), "cmd");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    Parsed parsed;
    const std::vector<OptionRule> rules = {
        {'q', "quiet", false, 1}, {'d', "dir", true, 2}, {'v', nullptr, false, 3}};
    parsed.outcome = parseArguments(
        int(argv.size()), argv.data(), "cmd", rules,
        [&](int id, const std::string& value, std::string* problem) {
            if (value == "bad") {
                *problem = "bad value";
                return false;
            }
            parsed.options.emplace_back(id, value);
            return true;
        },
        &parsed.words);
    return parsed;
}

TEST(Arguments, OptionsWordsAndTheEndOfOptions) {
    Parsed p = parse({"-qv", "-dout", "x", "--dir=y", "-", "--", "-q", "--dir"});
    EXPECT_EQ(ParseOutcome::Run, p.outcome);
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{1, ""}, {3, ""}, {2, "out"}, {2, "y"}}),
              p.options);
    EXPECT_EQ((std::vector<std::string>{"x", "-", "-q", "--dir"}), p.words);
    EXPECT_EQ(ParseOutcome::Run, parse({"-d", "z"}).outcome);
    EXPECT_EQ(ParseOutcome::Help, parse({"x", "--help"}).outcome);
    EXPECT_EQ(ParseOutcome::Help, parse({"-h"}).outcome);
    for (auto args : std::vector<std::vector<std::string>>{
             {"--nope"}, {"-x"}, {"-d"}, {"--dir"}, {"--quiet=1"}, {"-d", "bad"}}) {
        EXPECT_EQ(ParseOutcome::Usage, parse(args).outcome) << args[0];
    }
}

TEST(FolderTable, ReadsTypeWordsPastReserveAndNames) {
    test::TestCabinet plan;
    plan.reservePresent = true;
    plan.headerReserve = test::Bytes(8, 1);
    plan.folderReserveSize = 3;
    plan.previousCabinet = "a.cab";
    plan.previousDisk = "disk a";
    plan.nextCabinet = "c.cab";
    plan.nextDisk = "";
    plan.folders.push_back(test::folderOf(test::storedBlocks(test::Bytes(10, 1)), 0x1503));
    plan.folders.push_back(test::folderOf(test::storedBlocks(test::Bytes(10, 2)), 0x0001));
    plan.files.push_back(test::TestFile{"f", 10, 0, 0});
    const test::Bytes cabinet = test::buildCabinet(plan);
    auto readAt = [&](size_t limit) {
        return [&cabinet, limit](uint64_t offset, void* buffer, size_t size) {
            if (offset + size > std::min(limit, cabinet.size())) return false;
            std::memcpy(buffer, cabinet.data() + offset, size);
            return true;
        };
    };
    std::vector<uint16_t> types;
    ASSERT_TRUE(readFolderTypes(readAt(cabinet.size()), &types));
    EXPECT_EQ((std::vector<uint16_t>{0x1503, 0x0001}), types);
    EXPECT_EQ("lzx:21", describeCompression(types[0]));
    EXPECT_EQ("mszip", describeCompression(types[1]));
    EXPECT_EQ("quantum:10", describeCompression(0x0A02));
    EXPECT_EQ("unknown:7", describeCompression(7));
    // Cut inside the folder table, or inside the header: refused, never read past.
    const size_t folderTable = 36 + 4 + 8 + 6 + 7 + 6 + 1;
    EXPECT_TRUE(readFolderTypes(readAt(folderTable + 2 * 11), &types));
    EXPECT_FALSE(readFolderTypes(readAt(folderTable + 11 + 4), &types));
    EXPECT_FALSE(readFolderTypes(readAt(folderTable - 3), &types));  // inside the next disk name
    EXPECT_FALSE(readFolderTypes(readAt(20), &types));
}

TEST(RedrawThrottle, AtMostTenRedrawsASecond) {
    using Clock = platform::posix::RedrawThrottle::Clock;
    platform::posix::RedrawThrottle throttle;
    const Clock::time_point start{};
    int drawn = 0;
    // 60,000 updates over 11 seconds, as a fast extraction sends them.
    for (int i = 0; i < 60000; ++i) {
        drawn += throttle.due(start + std::chrono::microseconds(i * 11000000LL / 60000));
    }
    EXPECT_LE(drawn, 111);
    EXPECT_GE(drawn, 100);
    throttle.reset();
    EXPECT_TRUE(throttle.due(start + std::chrono::seconds(11)));  // a new bar draws at once
}

}  // namespace
}  // namespace tamrix::tool
