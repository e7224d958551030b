// tamrix cab -o CABINET [options] FILE-OR-FOLDER ...: a plain cabinet file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pack/build_options.h"
#include "pack/output_file.h"
#include "pack/progress_line.h"
#include "tools/commands.h"

namespace tamrix::tool {

namespace {

constexpr const char* kUsage =
    "usage: tamrix cab -o CABINET [--compress none|mszip|lzx[:15..21]|quantum[:10..21]]\n"
    "                  [--level fast|normal|max|1..9] [-j N] [--folder-size BYTES]\n"
    "                  [--no-checksums] [--codepage N] [-q] FILE-OR-FOLDER ...\n"
    "  --level   how hard to compress: fast (1), normal (6, the default), max (9)\n"
    "  -j N      compress on N threads (default: one per core); same cabinet for any N\n";

int usage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "tamrix cab: %s\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int runCab(int argc, char** argv) {
    pack::BuildOptions options;
    std::string output;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            inputs.push_back(arg);
            continue;
        }
        std::string name = arg == "-o"   ? "output"
                           : arg == "-q" ? "quiet"
                           : arg == "-j" ? "jobs"
                                         : "";
        if (name.empty() && arg.rfind("--", 0) == 0) name = arg.substr(2);
        if (name.empty()) return usage("unknown option " + arg);
        bool takesValue = name == "output" || name == "compress" || name == "level" ||
                          name == "jobs" || name == "folder-size" || name == "codepage";
        std::string value = "yes";
        if (takesValue) {
            if (i + 1 >= argc) return usage(arg + " needs a value");
            value = argv[++i];
        }
        if (name == "output") {
            output = value;
            continue;
        }
        std::string error;
        switch (pack::applyBuildOption(name, value, &options, &error)) {
            case pack::OptionResult::Applied:
                break;
            case pack::OptionResult::Unknown:
                return usage("unknown option " + arg);
            case pack::OptionResult::Failed:
                return usage(error);
        }
    }
    if (output.empty()) return usage("no output cabinet (-o CABINET)");
    if (inputs.empty()) return usage("no files or folders to pack");

    std::vector<pack::CabinetEntry> entries;
    pack::CabinetPlan plan;
    std::string error;
    pack::OutputFile out;
    pack::CabinetResult result;
    options.cabinet.progress = !options.quiet && pack::isTerminal(stderr);
    if (!pack::prepareCabinet(inputs, options, 0xFFFFFFFFu, &entries, &plan, &error) ||
        !out.open(output, &error) ||
        !pack::writeCabinet(entries, options.cabinet, plan, &out, &result, &error) ||
        !out.commit(0644, &error)) {
        std::fprintf(stderr, "tamrix cab: %s\n", error.c_str());
        return 1;
    }
    if (!options.quiet) {
        std::printf("%s: %s; %llu bytes\n", output.c_str(),
                    pack::describeCabinet(entries, plan, options.cabinet).c_str(),
                    static_cast<unsigned long long>(result.size));
    }
    return 0;
}

}  // namespace tamrix::tool
