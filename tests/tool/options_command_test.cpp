// What every subcommand shares: --help on stdout with exit 0, a bad option named with exit 2,
// "--" ending the options, and help texts that agree with the README's tool section.
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/tool/tool_fixture.h"

namespace tamrix::test {
namespace {

class Options : public ToolCommandTest {};

const char* const kCommands[] = {"info", "list", "test", "extract", "run", "pack", "cab"};

TEST_F(Options, EveryCommandHasHelpAndNamesABadOption) {
    for (const char* command : kCommands) {
        for (const char* help : {"-h", "--help"}) {
            ToolResult run = tamrix(std::string(command) + " " + help);
            EXPECT_EQ(0, run.status) << command;
            EXPECT_NE(run.out.find(std::string("usage: tamrix ") + command), std::string::npos)
                << command << ": " << run.out;
            EXPECT_EQ("", run.err) << command;
        }
        ToolResult bad = tamrix(std::string(command) + " --no-such-option x");
        EXPECT_EQ(2, bad.status) << command;
        EXPECT_NE(bad.err.find("'--no-such-option'"), std::string::npos)
            << command << ": " << bad.err;
        EXPECT_EQ("", bad.out) << command;
    }
}

TEST_F(Options, DoubleDashEndsTheOptions) {
    write("-odd.cab", storedCabinetOf({{"f", Bytes(1, 'f')}}));
    EXPECT_EQ(0, tamrix("list -- -odd.cab").status);
    EXPECT_EQ(0, tamrix("test -q -- -odd.cab").status);
    EXPECT_EQ(0, tamrix("extract -q -d o -- -odd.cab").status);
    EXPECT_EQ(Bytes(1, 'f'), read("o/f"));
    EXPECT_EQ(2, tamrix("list -odd.cab").status);  // without it, an option
    writeText("-in.txt", "x");
    EXPECT_EQ(0, tamrix("cab -q -o c.cab -- -in.txt").status);
    EXPECT_NE(tamrix("list c.cab").out.find("-in.txt"), std::string::npos);
}

// The README's sections about the tool: "## The tool" up to "## Layout" (signing and running
// packages included).
std::string readmeToolSection() {
    const char* source = std::getenv("TAMRIX_SOURCE_DIR");
    std::ifstream in(std::string(source ? source : ".") + "/README.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const size_t start = all.find("## The tool");
    const size_t end = all.find("\n## Layout", start + 1);
    return start == std::string::npos ? "" : all.substr(start, end - start);
}

// Every "--name" (a lower-case letter, then letters, digits and dashes) in the text.
std::set<std::string> longOptionsIn(const std::string& text) {
    std::set<std::string> found;
    auto isNamePart = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    };
    for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
        if (at + 2 >= text.size() || text[at + 2] < 'a' || text[at + 2] > 'z') continue;
        size_t end = at + 2;
        while (end < text.size() && isNamePart(text[end])) ++end;
        found.insert(text.substr(at, end - at));
        at = end - 2;
    }
    return found;
}

TEST_F(Options, HelpAndReadmeNameTheSameOptions) {
    const std::string readme = readmeToolSection();
    ASSERT_FALSE(readme.empty());
    for (const char* command : kCommands) {
        const std::string help = tamrix(std::string(command) + " --help").out;
        std::set<std::string> named = longOptionsIn(help);
        EXPECT_TRUE(std::string(command) == "info" || !named.empty()) << command;
        for (const std::string& option : named) {
            if (option == "--help") continue;
            EXPECT_NE(readme.find(option), std::string::npos)
                << "tamrix " << command << " --help names " << option << ", the README does not";
        }
    }
    // The exit statuses are documented in both.
    EXPECT_NE(readme.find("0 success, 1 failure, 2 usage error"), std::string::npos);
}

}  // namespace
}  // namespace tamrix::test
