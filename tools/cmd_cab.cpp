// tamrix cab -o CABINET [options] FILE-OR-FOLDER ...: a plain cabinet file, or a set of them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pack/build_options.h"
#include "pack/interrupt_cleanup.h"
#include "pack/output_file.h"
#include "pack/output_guard.h"
#include "pack/progress_line.h"
#include "tools/commands.h"

namespace tamrix::tool {

namespace {

constexpr const char* kUsage =
    "usage: tamrix cab -o CABINET [options] [--] FILE-OR-FOLDER ...\n"
    "\n"
    "Makes a cabinet of the files and folders (a folder's files under their paths relative to\n"
    "it). The output is written under a temporary name and renamed into place; it may not be\n"
    "one of the inputs, and inside a folder being packed it is left out.\n"
    "\n"
    "  -o, --output CABINET  the cabinet to write\n"
    "  --compress none|mszip|lzx[:15..21]|quantum[:10..21]   (default mszip)\n"
    "  --level fast|normal|max|1..9\n"
    "                        how hard to compress: fast (1), normal (6, the default), max (9)\n"
    "  -j N                  compress on N threads (default: one per core); the same cabinet\n"
    "                        for any N\n"
    "  --folder-size BYTES   start a new folder before it grows past BYTES (512K, 64M, ...)\n"
    "  --max-cabinet-size BYTES\n"
    "                        split into a set of cabinets of at most BYTES each: CABINET, then\n"
    "                        NAME2.cab, NAME3.cab, ... beside it (NAME: CABINET without its\n"
    "                        extension); the files lie in one folder continued from cabinet to\n"
    "                        cabinet\n"
    "  --reserve HEADER,FOLDER,BLOCK\n"
    "                        reserved areas of these sizes in the header, in each folder entry\n"
    "                        and in each data block (at most 60000,255,255), zero-filled, for\n"
    "                        tools that sign or tag cabinets\n"
    "  --no-checksums        leave the data blocks without checksums\n"
    "  --codepage N|utf-8    code page of the stored names (default 1252); a name the code page\n"
    "                        cannot hold is stored as UTF-8 with the UTF-8 name attribute, and\n"
    "                        utf-8 stores every name so\n"
    "  -q, --quiet           print nothing on success\n"
    "  --                    end of options\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

int usage(const std::string& problem) {
    std::fprintf(stderr, "tamrix cab: %s\nTry 'tamrix cab --help'.\n", problem.c_str());
    return 2;
}

}  // namespace

int runCab(int argc, char** argv) {
    pack::installInterruptCleanup();
    pack::BuildOptions options;
    std::string output;
    std::vector<std::string> inputs;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::string name = arg == "-o"   ? "output"
                           : arg == "-q" ? "quiet"
                           : arg == "-j" ? "jobs"
                                         : "";
        if (name.empty() && arg.rfind("--", 0) == 0) name = arg.substr(2);
        if (name.empty()) return usage("unknown option '" + arg + "'");
        std::string value = "yes";
        if (name == "output" || pack::isBuildValueOption(name)) {
            if (i + 1 >= argc) return usage("option '" + arg + "' needs a value");
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
                return usage("unknown option '" + arg + "'");
            case pack::OptionResult::Failed:
                return usage(error);
        }
    }
    if (output.empty()) return usage("no output cabinet (-o CABINET)");
    if (inputs.empty()) return usage("no files or folders to pack");
    std::string error;
    if (!pack::checkBuildOptions(options, &error)) return usage(error);
    options.outputPath = output;

    std::vector<pack::CabinetEntry> entries;
    pack::CabinetPlan plan;
    pack::OutputFile out;
    pack::CabinetResult result;
    options.cabinet.progress = !options.quiet && pack::isTerminal(stderr);
    pack::SetResult set;
    bool ok = pack::refuseOverwritingInput(output, inputs, &error) &&
              pack::prepareCabinet(inputs, options, 0xFFFFFFFFu, &entries, &plan, &error) &&
              out.open(output, &error);
    if (ok && options.layout.needed()) {
        ok = pack::writeCabinetSet(entries, options.cabinet, options.layout, plan,
                                   pack::setTargetFor(output, &out), &set, &error);
        if (ok) result.size = set.sizes[0];
    } else if (ok) {
        ok = pack::writeCabinet(entries, options.cabinet, plan, &out, &result, &error);
    }
    ok = ok && out.commit(0644, &error);
    if (!ok) {
        for (const std::string& path : set.written) std::remove(path.c_str());
        std::fprintf(stderr, "tamrix cab: %s\n", error.c_str());
        return 1;
    }
    if (!options.quiet) {
        std::printf("%s: %s; %llu bytes\n", output.c_str(),
                    pack::describeCabinet(entries, plan, options.cabinet).c_str(),
                    static_cast<unsigned long long>(result.size));
        for (size_t k = 0; k < set.written.size(); ++k) {
            std::printf("%s: cabinet %zu of the set; %llu bytes\n", set.written[k].c_str(), k + 2,
                        static_cast<unsigned long long>(set.sizes[k + 1]));
        }
    }
    return 0;
}

}  // namespace tamrix::tool
