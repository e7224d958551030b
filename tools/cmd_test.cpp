// tamrix test: decodes every file of a cabinet set (checksums, codecs) and writes nothing.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "tools/cabinet_session.h"
#include "tools/cabinet_summary.h"
#include "tools/commands.h"
#include "tools/package_facts.h"

namespace tamrix::tool {

namespace {

constexpr const char* kTestHelp =
    "usage: tamrix test [-q] CABINET|PACKAGE\n"
    "\n"
    "Checks a package's CRC as its stub does, then decodes every file of the cabinet and of the\n"
    "cabinets that follow it in its set, checking block checksums and compressed data, and writes\n"
    "nothing. A cabinet whose blocks carry no checksums is reported as not verified. Exit status:\n"
    "0 when all is well, 1 on any failure, 2 usage error.\n";

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

int32_t endFile(NotificationRecord*, void* context) {
    ++*static_cast<unsigned*>(context);
    return 1;
}

}  // namespace

int runTest(int argc, char** argv) {
    const char* cabinet = nullptr;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kTestHelp, stdout);
            return 0;
        } else if (!std::strcmp(argv[i], "-q")) {
            quiet = true;
        } else if (argv[i][0] == '-' || cabinet) {
            std::fputs(kTestHelp, stderr);
            return 2;
        } else {
            cabinet = argv[i];
        }
    }
    if (!cabinet) {
        std::fputs(kTestHelp, stderr);
        return 2;
    }
    unsigned files = 0;
    FileEvents events;
    events.begin = beginFile;
    events.end = endFile;
    events.context = &files;
    SessionOptions options;
    options.quiet = quiet;
    options.progress = true;
    options.ordered = true;
    PackageFacts facts;
    std::string error;
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
