// tamrix extract: writes the files of a cabinet set (all, or those matching patterns) below an
// output folder or to standard output.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "pack/interrupt_cleanup.h"
#include "tools/arguments.h"
#include "tools/cabinet_session.h"
#include "tools/commands.h"
#include "tools/display_text.h"
#include "tools/name_pattern.h"
#include "tools/name_text.h"
#include "tools/space_check.h"
#include "tools/standard_input.h"
#include "tools/target_files.h"

namespace tamrix::tool {

namespace {

constexpr const char* kExtractHelp =
    "usage: tamrix extract [options] CABINET|PACKAGE [PATTERN...]\n"
    "\n"
    "Extracts the files of the cabinet (or of the cabinet appended to a package) and of the\n"
    "cabinets that follow it in its set, looked for in the same folder. CABINET '-' reads\n"
    "standard input (the rest of a set is then looked for in the current folder).\n"
    "With PATTERNs, only the files whose full name matches one of them: '*' any characters\n"
    "(separators included), '?' one character, [abc] [a-z] [!abc] one of a set; '\\' and '/'\n"
    "are the same separator and letters match either case. Quote patterns for the shell.\n"
    "\n"
    "  -d DIR             output folder (default: the current folder); every missing level of\n"
    "                     it is created, and only once there is a file to write\n"
    "  -p, --stdout       write the selected files' bytes to standard output, one after the\n"
    "                     other, and nothing else there\n"
    "  -L, --lowercase    write names in lower case (letters A-Z and accented Latin capitals)\n"
    "  --overwrite        replace files that exist already\n"
    "  --skip-existing    leave files that exist already alone\n"
    "                     (without either, an existing file is not replaced: it is reported,\n"
    "                     the other files are extracted, and the exit status is 1)\n"
    "  --keep-going       a file that cannot be written is reported and skipped, the rest are\n"
    "                     extracted, and the exit status is 1\n"
    "  --codepage N       code page of the stored names (default 1252; 932 for Japanese;\n"
    "                     utf-8); names whose attributes carry 0x80 are UTF-8 already\n"
    "  --force            extract even when the files take more than the free space\n"
    "  -v, --verbose      name each file as it is written (on stderr with --stdout)\n"
    "  -q, --quiet        print nothing but errors\n"
    "  --                 end of options (for a cabinet whose name starts with '-')\n"
    "\n"
    "Backslashes in names become folders below DIR. Drive letters, leading separators, empty\n"
    "and '.' components are dropped with a warning; a name with a '..' component is not\n"
    "extracted; control characters in names are written as '_' (with a warning) and shown\n"
    "escaped (\\n, \\t, \\xHH). Dates, times and the read-only bit are applied. A file whose\n"
    "extraction fails is removed, and so is the one being written when the tool is stopped\n"
    "(Ctrl-C, SIGTERM); the files completed before stay.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

enum Option {
    kForce,
    kDir,
    kStdout,
    kLowercase,
    kOverwrite,
    kSkipExisting,
    kKeepGoing,
    kCodePage,
    kVerbose,
    kQuiet
};

struct ExtractContext {
    NameConverter* names = nullptr;
    std::vector<std::string> patterns;
    std::string folder = ".";
    ExistingPolicy policy = ExistingPolicy::Refuse;
    bool quiet = false;
    bool verbose = false;
    bool toStdout = false;
    bool lowercase = false;
    bool keepGoing = false;
    bool rootOpened = false;
    bool anyFailed = false;
    unsigned extracted = 0;
    std::set<int32_t> stdoutHandles;
    std::string currentShown;  // the name of the file being written, escaped
};

// Lower case for ASCII and the Latin-1 capitals (UTF-8 C3 80..C3 9E, except the sign x).
void toLowerCase(std::string* text) {
    for (size_t i = 0; i < text->size(); ++i) {
        unsigned char c = static_cast<unsigned char>((*text)[i]);
        if (c >= 'A' && c <= 'Z') {
            (*text)[i] = char(c + 32);
        } else if (c == 0xC3 && i + 1 < text->size()) {
            unsigned char next = static_cast<unsigned char>((*text)[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97) (*text)[i + 1] = char(next + 0x20);
            ++i;
        }
    }
}

void reportFailure(ExtractContext& extract, const std::string& message) {
    std::fprintf(stderr, "error: %s\n", message.c_str());
    extract.anyFailed = true;
}

// Splits the name into the components written below the output folder; false when it is not
// extracted at all.
bool targetComponents(ExtractContext& extract, const std::string& name,
                      std::vector<std::string>* components) {
    bool altered = false;
    if (!safePathComponents(name, components, &altered)) {
        reportFailure(extract,
                      "refusing unsafe name '" + escapeControls(name) + "': not extracted");
        return false;
    }
    bool controls = false;
    for (std::string& part : *components) {
        controls = replaceControls(&part) || controls;
        if (extract.lowercase) toLowerCase(&part);
    }
    if ((altered || controls) && !extract.quiet) {
        std::string written;
        for (const std::string& part : *components) written += (written.empty() ? "" : "/") + part;
        std::fprintf(stderr, "tamrix: warning: name '%s' written as '%s'%s\n",
                     escapeControls(name).c_str(), written.c_str(),
                     controls ? " (control characters replaced)" : "");
    }
    return true;
}

int32_t beginFile(NotificationRecord* record, void* context) {
    auto& extract = *static_cast<ExtractContext*>(context);
    const std::string name = extract.names->toUtf8(record->name, record->attributes);
    const bool goesOn = (record->folderIndex & 0xFFFE) == 0xFFFE;
    if (!matchesAny(extract.patterns, name)) {
        // A file left out that runs into the next cabinet is still decoded: the files after it
        // in its folder are reached only through it.
        return goesOn ? kDiscardHandle : 0;
    }
    extract.currentShown = escapeControls(name);
    if (extract.toStdout) {
        int32_t handle = dup(1);
        if (handle < 0) {
            setAbortReason(std::string("cannot write to standard output: ") + std::strerror(errno));
            return -1;
        }
        extract.stdoutHandles.insert(handle);
        return handle;
    }
    std::vector<std::string> components;
    if (!targetComponents(extract, name, &components)) return goesOn ? kDiscardHandle : 0;
    std::string reason;
    if (!extract.rootOpened) {
        if (!openOutputRoot(extract.folder.c_str(), &reason)) {
            setAbortReason(reason);
            return -1;
        }
        extract.rootOpened = true;
    }
    int32_t handle = 0;
    const std::string path = outputPathOf(components);
    switch (createTarget(components, extract.policy, &handle, &reason)) {
        case CreateResult::Created:
            extract.currentShown = path;
            return handle;
        case CreateResult::Skipped:
            if (!extract.quiet)
                std::fprintf(stderr, "tamrix: skipped existing '%s'\n", path.c_str());
            break;
        case CreateResult::Exists:
            reportFailure(extract, "'" + path +
                                       "' exists already; not replaced (use --overwrite or "
                                       "--skip-existing)");
            break;
        case CreateResult::LinkedFolder:
            reportFailure(extract, reason);
            break;
        case CreateResult::FolderInTheWay:
            reportFailure(extract, "'" + path + "' is a folder: '" + escapeControls(name) +
                                       "' not extracted");
            break;
        case CreateResult::Failed:
            if (!extract.keepGoing) {
                setAbortReason(reason);
                return -1;
            }
            reportFailure(extract, reason + " (skipped)");
            break;
    }
    return goesOn ? kDiscardHandle : 0;
}

int32_t endFile(NotificationRecord* record, void* context) {
    auto& extract = *static_cast<ExtractContext*>(context);
    const int32_t handle = record->handle;
    if (handle == kDiscardHandle) return 1;
    if (extract.stdoutHandles.erase(handle)) {
        close(handle);
    } else {
        std::string reason;
        if (!finishTarget(handle, record->date, record->time, record->attributes, &reason)) {
            if (!extract.keepGoing) {
                setAbortReason(reason);
                return 0;
            }
            reportFailure(extract, reason + " (skipped)");
            return 1;
        }
    }
    ++extract.extracted;
    if (extract.verbose) {
        std::fprintf(extract.toStdout ? stderr : stdout, "%s\n", extract.currentShown.c_str());
    }
    return 1;
}

// The folder itself, or the closest of its parents that exists.
std::string nearestExistingFolder(std::string folder) {
    while (access(folder.c_str(), F_OK) != 0) {
        const size_t slash = folder.find_last_of('/');
        if (slash == std::string::npos) return ".";
        folder = slash == 0 ? "/" : folder.substr(0, slash);
    }
    return folder;
}

}  // namespace

int runExtract(int argc, char** argv) {
    pack::installInterruptCleanup();
    ExtractContext context;
    int codePage = 1252;
    bool policyGiven = false;
    bool force = false;
    std::vector<std::string> words;
    const std::vector<OptionRule> rules = {{'d', nullptr, true, kDir},
                                           {'p', "stdout", false, kStdout},
                                           {'L', "lowercase", false, kLowercase},
                                           {0, "overwrite", false, kOverwrite},
                                           {0, "skip-existing", false, kSkipExisting},
                                           {0, "keep-going", false, kKeepGoing},
                                           {0, "codepage", true, kCodePage},
                                           {'v', "verbose", false, kVerbose},
                                           {'q', "quiet", false, kQuiet},
                                           {0, "force", false, kForce}};
    auto onOption = [&](int id, const std::string& value, std::string* problem) {
        switch (id) {
            case kDir:
                if (value.empty()) {
                    *problem = "-d needs a folder";
                    return false;
                }
                context.folder = value;
                return true;
            case kOverwrite:
            case kSkipExisting: {
                ExistingPolicy chosen =
                    id == kOverwrite ? ExistingPolicy::Overwrite : ExistingPolicy::Skip;
                if (policyGiven && chosen != context.policy) {
                    *problem = "--overwrite and --skip-existing exclude each other";
                    return false;
                }
                context.policy = chosen;
                policyGiven = true;
                return true;
            }
            case kCodePage:
                if (parseCodePage(value, &codePage)) return true;
                *problem = "bad code page '" + value + "'";
                return false;
            case kStdout:
                context.toStdout = true;
                return true;
            case kLowercase:
                context.lowercase = true;
                return true;
            case kKeepGoing:
                context.keepGoing = true;
                return true;
            case kVerbose:
                context.verbose = true;
                return true;
            case kQuiet:
                context.quiet = true;
                return true;
            case kForce:
                force = true;
                return true;
        }
        return false;
    };
    switch (parseArguments(argc, argv, "extract", rules, onOption, &words)) {
        case ParseOutcome::Help:
            std::fputs(kExtractHelp, stdout);
            return 0;
        case ParseOutcome::Usage:
            return 2;
        case ParseOutcome::Run:
            break;
    }
    if (words.empty()) return usageError("extract", "no cabinet given");
    context.patterns.assign(words.begin() + 1, words.end());
    NameConverter names(codePage);
    if (!names.valid())
        return usageError("extract", "code page " + std::to_string(codePage) + " is not available");
    context.names = &names;

    std::string cabinet, error;
    if (!cabinetPathOf(words[0], &cabinet, &error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    // The free space of the file system the output folder is (or will be) on.
    if (!force && !context.toStdout &&
        !filesFitInto(cabinet.c_str(), nearestExistingFolder(context.folder).c_str())) {
        return 1;
    }
    FileEvents events;
    events.begin = beginFile;
    events.end = endFile;
    events.context = &context;
    setDiscardTarget(discardTarget);
    setTargetPath(targetPathOf);
    SessionOptions options;
    options.ordered = true;
    options.quiet = context.quiet;
    options.progress = !context.verbose;
    if (words[0] == "-") {
        options.cabinetFolder = ".";
        options.shownName = "standard input";
    }
    int status = runCabinetSession(cabinet.c_str(), options, events);
    setDiscardTarget(nullptr);
    setTargetPath(nullptr);
    closeOutputRoot();
    if (status == 0 && context.anyFailed) status = 1;
    if (status == 0 && !context.quiet && !context.toStdout) {
        std::printf("%u file%s extracted\n", context.extracted, context.extracted == 1 ? "" : "s");
    }
    return status;
}

}  // namespace tamrix::tool
