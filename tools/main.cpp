// tamrix: lists, tests and extracts cabinets and packages, runs a package's flow, builds packages.
#include <cstdio>
#include <cstring>

#include "tools/commands.h"

namespace {

constexpr const char* kVersion = "tamrix 1.0.0";

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

constexpr Command kCommands[] = {
    {"info", tamrix::tool::runInfo, "info FILE                 show the package layout and header"},
    {"list", tamrix::tool::runList, "list CABINET|PACKAGE      list the files of a cabinet"},
    {"test", tamrix::tool::runTest, "test CABINET|PACKAGE      decode everything, write nothing"},
    {"extract", tamrix::tool::runExtract,
     "extract [-d DIR] [--overwrite|--skip-existing] [--codepage N] [-q] CABINET|PACKAGE"},
    {"run", tamrix::tool::runRun,
     "run [--ui console|script:FILE] [--transcript FILE] [--codepage N] [--lang en|ja] PACKAGE "
     "[ARGS]"},
    {"pack", tamrix::tool::runPack,
     "pack --stub STUB -o PACKAGE [options] (--cab CABINET | FILE-OR-FOLDER ...)"},
    {"cab", tamrix::tool::runCab, "cab -o CABINET [options] FILE-OR-FOLDER ..."},
};

void printUsage(FILE* out) {
    std::fprintf(out,
                 "usage: tamrix COMMAND [ARGS]\n       tamrix --help | --version\n\ncommands:\n");
    for (const Command& command : kCommands) std::fprintf(out, "  %s\n", command.summary);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        printUsage(stdout);
        return 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        std::puts(kVersion);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (!std::strcmp(argv[1], command.name)) return command.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "tamrix: unknown command '%s'\n", argv[1]);
    printUsage(stderr);
    return 2;
}
