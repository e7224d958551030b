// tamrix test: decodes every file of a cabinet set (checksums, codecs) and writes nothing.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/cabinet_session.h"
#include "tools/arguments.h"
#include "tools/commands.h"
#include "tools/display_text.h"
#include "tools/standard_input.h"

namespace tamrix::tool {

namespace {

constexpr const char* kTestHelp =
    "usage: tamrix test [-q] [-v] CABINET|PACKAGE\n"
    "\n"
    "Decodes every file of the cabinet and of the cabinets that follow it in its set, checking\n"
    "block checksums and compressed data, and writes nothing. CABINET '-' reads standard input\n"
    "(the rest of a set is then looked for in the current folder).\n"
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
    switch (parseArguments(argc, argv, "test", {{'q', "quiet", false, 'q'}, {'v', "verbose", false, 'v'}},
                           onOption, &words)) {
        case ParseOutcome::Help: std::fputs(kTestHelp, stdout); return 0;
        case ParseOutcome::Usage: return 2;
        case ParseOutcome::Run: break;
    }
    if (words.size() != 1) {
        return usageError("test", words.empty() ? "no cabinet given" : "more than one cabinet given");
    }
    std::string cabinet, error;
    if (!cabinetPathOf(words[0], &cabinet, &error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    FileEvents events;
    events.begin = beginFile;
    events.end = endFile;
    events.context = &context;
    SessionOptions options;
    options.quiet = quiet;
    options.progress = !context.verbose;
    if (words[0] == "-") {
        options.cabinetFolder = ".";
        options.shownName = "standard input";
    }
    int status = runCabinetSession(cabinet.c_str(), options, events);
    if (status == 0 && !quiet) std::printf("%u files OK\n", context.files);
    return status;
}

}  // namespace tamrix::tool
