// tamrix test: decodes every file of a cabinet set (checksums, codecs) and writes nothing.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tools/arguments.h"
#include "tools/cabinet_session.h"
#include "tools/cabinet_summary.h"
#include "tools/commands.h"
#include "tools/display_text.h"
#include "tools/package_facts.h"
#include "tools/standard_input.h"

namespace tamrix::tool {

namespace {

constexpr const char* kTestHelp =
    "usage: tamrix test [-q] [-v] CABINET|PACKAGE\n"
    "\n"
    "Checks a package's CRC as its stub does, then decodes every file of the cabinet and of the\n"
    "cabinets that follow it in its set, checking block checksums and compressed data, and writes\n"
    "nothing. A cabinet whose blocks carry no checksums is reported as not verified. CABINET '-'\n"
    "reads standard input (the rest of a set is then looked for in the current folder).\n"
    "\n"
    "  -q, --quiet    print nothing but errors\n"
    "  -v, --verbose  name each file once it has been checked\n"
    "  --             end of options\n"
    "\n"
    "Exit status: 0 when all is well, 1 on any failure, 2 usage error.\n";

struct TestContext {
    unsigned files = 0;
    bool verbose = false;
};

// Data blocks in the set and those of them without a checksum, which the engine cannot verify.
struct BlockCount {
    uint32_t blocks = 0;
    uint32_t withoutChecksum = 0;
};

BlockCount countBlocks(const char* path, int64_t cabinetOffset) {
    BlockCount count;
    std::string folder = path;
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "" : folder.substr(0, slash + 1);
    std::set<std::string> seen;
    std::string current = path;
    int64_t offset = cabinetOffset;
    while (offset >= 0 && seen.insert(current).second) {
        CabinetSummary summary;
        if (!summarizeCabinetFile(current, offset, &summary)) break;
        count.blocks += summary.blocksFound();
        count.withoutChecksum += summary.blocksWithoutChecksum();
        if (!summary.hasNext || summary.nextCabinet.empty()) break;
        current = folder + summary.nextCabinet;
        offset = 0;
    }
    return count;
}

// The package's CRC as the stub checks it; false (with the message) when it does not match.
bool checkPackageCrc(const PackageFacts& facts) {
    if (!facts.crcChecked || facts.crcValid) return true;
    std::fprintf(stderr,
                 "error: CRC check error: bytes %u to %u of the package have CRC 0x%08X, its "
                 "header says 0x%08X\n",
                 facts.crcRange.start, facts.crcRange.end, facts.computedCrc,
                 facts.header.cabinetCrc);
    return false;
}

int32_t beginFile(NotificationRecord*, void*) {
    return kDiscardHandle;
}

int32_t endFile(NotificationRecord* record, void* context) {
    auto& test = *static_cast<TestContext*>(context);
    ++test.files;
    if (test.verbose) std::printf("OK  %s\n", escapeControls(record->name).c_str());
    return 1;
}

}  // namespace

int runTest(int argc, char** argv) {
    TestContext context;
    bool quiet = false;
    std::vector<std::string> words;
    auto onOption = [&](int id, const std::string&, std::string*) {
        (id == 'q' ? quiet : context.verbose) = true;
        return true;
    };
    switch (parseArguments(argc, argv, "test",
                           {{'q', "quiet", false, 'q'}, {'v', "verbose", false, 'v'}}, onOption,
                           &words)) {
        case ParseOutcome::Help:
            std::fputs(kTestHelp, stdout);
            return 0;
        case ParseOutcome::Usage:
            return 2;
        case ParseOutcome::Run:
            break;
    }
    if (words.size() != 1) {
        return usageError("test",
                          words.empty() ? "no cabinet given" : "more than one cabinet given");
    }
    std::string path, error;
    if (!cabinetPathOf(words[0], &path, &error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    const char* cabinet = path.c_str();
    unsigned& files = context.files;
    FileEvents events;
    events.begin = beginFile;
    events.end = endFile;
    events.context = &context;
    SessionOptions options;
    options.quiet = quiet;
    options.progress = !context.verbose;
    options.ordered = true;
    if (words[0] == "-") {
        options.cabinetFolder = ".";
        options.shownName = "standard input";
    }
    PackageFacts facts;
    if (!readPackageFacts(cabinet, &facts, &error)) facts.cabinetOffset = -1;
    bool crcValid = checkPackageCrc(facts);
    int status = runCabinetSession(cabinet, options, events);
    if (!crcValid) return 1;
    if (status != 0 || quiet) return status;
    BlockCount count = countBlocks(cabinet, facts.cabinetOffset);
    if (count.withoutChecksum == 0) {
        std::printf("%u files OK\n", files);
    } else if (facts.crcChecked) {
        std::printf("%u files OK (by the package CRC; %u of %u data blocks carry no checksum)\n",
                    files, count.withoutChecksum, count.blocks);
    } else if (count.withoutChecksum == count.blocks) {
        std::printf("%u files not verified (no checksums)\n", files);
    } else {
        std::printf("%u files decoded; %u of %u data blocks not verified (no checksums)\n", files,
                    count.withoutChecksum, count.blocks);
    }
    return status;
}

}  // namespace tamrix::tool
