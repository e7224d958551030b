// tamrix test: decodes every file of a cabinet set (checksums, codecs) and writes nothing.
#include <cstdio>
#include <cstring>

#include "tools/cabinet_session.h"
#include "tools/commands.h"

namespace tamrix::tool {

namespace {

constexpr const char* kTestHelp =
    "usage: tamrix test [-q] CABINET|PACKAGE\n"
    "\n"
    "Decodes every file of the cabinet and of the cabinets that follow it in its set, checking\n"
    "block checksums and compressed data, and writes nothing. Exit status: 0 when all is well,\n"
    "1 on any failure, 2 usage error.\n";

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
    int status = runCabinetSession(cabinet, options, events);
    if (status == 0 && !quiet) std::printf("%u files OK\n", files);
    return status;
}

}  // namespace tamrix::tool
