// tamrix extract: writes every file of a cabinet set below an output folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/cabinet_session.h"
#include "tools/commands.h"
#include "tools/name_text.h"
#include "tools/space_check.h"
#include "tools/target_files.h"

namespace tamrix::tool {

namespace {

constexpr const char* kExtractHelp =
    "usage: tamrix extract [-d DIR] [--overwrite|--skip-existing] [--codepage N] [-q] "
    "CABINET|PACKAGE\n"
    "\n"
    "Extracts every file of the cabinet (or of the cabinet appended to a package) and of the\n"
    "cabinets that follow it in its set, looked for in the same folder.\n"
    "\n"
    "  -d DIR           output folder (default: the current folder); created if missing\n"
    "  --overwrite      replace files that exist already\n"
    "  --skip-existing  leave files that exist already alone\n"
    "                   (without either, an existing file is not replaced: it is reported as an\n"
    "                   error, the other files are extracted, and the exit status is 1)\n"
    "  --codepage N     code page of the stored names (default 1252; 932 for Japanese);\n"
    "                   names whose attributes carry 0x80 are UTF-8 already\n"
    "  --force          extract even when the files take more than the free space\n"
    "  -q               print nothing but errors\n"
    "\n"
    "Backslashes in names become folders below DIR. Drive letters, leading separators, empty\n"
    "and '.' components are dropped with a warning; a name with a '..' component is not\n"
    "extracted. Dates, times and the read-only bit are applied. A file whose extraction fails\n"
    "is removed. Exit status: 0 success, 1 failure, 2 usage error.\n";

struct ExtractContext {
    NameConverter* names;
    ExistingPolicy policy;
    bool quiet;
    bool anyRefused = false;
    unsigned extracted = 0;
};

int32_t beginFile(NotificationRecord* record, void* context) {
    auto& extract = *static_cast<ExtractContext*>(context);
    const std::string name = extract.names->toUtf8(record->name, record->attributes);
    std::vector<std::string> components;
    bool altered = false;
    if (!safePathComponents(name, &components, &altered)) {
        std::fprintf(stderr, "tamrix: refusing unsafe name '%s': not extracted\n", name.c_str());
        extract.anyRefused = true;
        return 0;
    }
    if (altered && !extract.quiet) {
        std::string safe;
        for (const std::string& part : components) safe += (safe.empty() ? "" : "/") + part;
        std::fprintf(stderr, "tamrix: warning: name '%s' written as '%s'\n", name.c_str(),
                     safe.c_str());
    }
    int32_t handle = 0;
    std::string reason;
    switch (createTarget(components, extract.policy, &handle, &reason)) {
        case CreateResult::Created:
            return handle;
        case CreateResult::Skipped:
            if (!extract.quiet)
                std::fprintf(stderr, "tamrix: skipped existing '%s'\n", name.c_str());
            return 0;
        case CreateResult::Exists:
            std::fprintf(stderr,
                         "error: '%s' exists already; not replaced (use --overwrite or "
                         "--skip-existing)\n",
                         name.c_str());
            extract.anyRefused = true;
            return 0;
        case CreateResult::LinkedFolder:
            std::fprintf(stderr, "error: %s\n", reason.c_str());
            extract.anyRefused = true;
            return 0;
        case CreateResult::Failed:
            setAbortReason(reason);
            return -1;
    }
    return -1;
}

int32_t endFile(NotificationRecord* record, void* context) {
    auto& extract = *static_cast<ExtractContext*>(context);
    std::string reason;
    if (!finishTarget(record->handle, record->date, record->time, record->attributes, &reason)) {
        setAbortReason(reason);
        return 0;
    }
    ++extract.extracted;
    return 1;
}

}  // namespace

int runExtract(int argc, char** argv) {
    const char* folder = ".";
    const char* cabinet = nullptr;
    ExistingPolicy policy = ExistingPolicy::Refuse;
    int codePage = 1252;
    bool quiet = false;
    bool force = false;
    bool policyGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            std::fputs(kExtractHelp, stdout);
            return 0;
        } else if (!std::strcmp(arg, "-d") && i + 1 < argc) {
            folder = argv[++i];
        } else if (!std::strcmp(arg, "--overwrite") || !std::strcmp(arg, "--skip-existing")) {
            ExistingPolicy chosen =
                arg[2] == 'o' ? ExistingPolicy::Overwrite : ExistingPolicy::Skip;
            if (policyGiven && chosen != policy) {
                std::fputs("tamrix extract: --overwrite and --skip-existing exclude each other\n",
                           stderr);
                return 2;
            }
            policy = chosen;
            policyGiven = true;
        } else if (!std::strcmp(arg, "--codepage") && i + 1 < argc) {
            char* end = nullptr;
            long value = std::strtol(argv[++i], &end, 10);
            if (*end || value <= 0 || value > 65535) {
                std::fprintf(stderr, "tamrix extract: bad code page '%s'\n", argv[i]);
                return 2;
            }
            codePage = int(value);
        } else if (!std::strcmp(arg, "-q")) {
            quiet = true;
        } else if (!std::strcmp(arg, "--force")) {
            force = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "tamrix extract: unknown or incomplete option '%s'\n%s", arg,
                         kExtractHelp);
            return 2;
        } else if (!cabinet) {
            cabinet = arg;
        } else {
            std::fprintf(stderr, "tamrix extract: more than one cabinet given\n%s", kExtractHelp);
            return 2;
        }
    }
    if (!cabinet) {
        std::fputs(kExtractHelp, stderr);
        return 2;
    }
    NameConverter names(codePage);
    if (!names.valid()) {
        std::fprintf(stderr, "tamrix extract: code page %d is not available\n", codePage);
        return 2;
    }
    if (!openOutputRoot(folder)) {
        std::fprintf(stderr, "error: cannot open output folder '%s'\n", folder);
        return 1;
    }
    if (!force && !filesFitInto(cabinet, folder)) {
        closeOutputRoot();
        return 1;
    }
    ExtractContext context{&names, policy, quiet};
    FileEvents events;
    events.begin = beginFile;
    events.end = endFile;
    events.context = &context;
    setDiscardTarget(discardTarget);
    setTargetPath(targetPathOf);
    SessionOptions options;
    options.quiet = quiet;
    options.progress = true;
    options.ordered = true;
    int status = runCabinetSession(cabinet, options, events);
    setDiscardTarget(nullptr);
    setTargetPath(nullptr);
    closeOutputRoot();
    if (status == 0 && context.anyRefused) status = 1;
    if (status == 0 && !quiet) std::printf("%u files extracted\n", context.extracted);
    return status;
}

}  // namespace tamrix::tool
