// tamrix list: one line per file entry of a cabinet (size, date and time, attributes, name) and
// a totals line, or with --json one object per file.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cab/cabinet_format.h"
#include "tools/arguments.h"
#include "tools/cabinet_locator.h"
#include "tools/cabinet_session.h"
#include "tools/commands.h"
#include "tools/display_text.h"
#include "tools/folder_table.h"
#include "tools/name_text.h"
#include "tools/standard_input.h"

namespace tamrix::tool {

namespace {

constexpr const char* kListHelp =
    "usage: tamrix list [--json] [--codepage N] CABINET|PACKAGE\n"
    "\n"
    "Lists the file entries of one cabinet (or of the cabinet appended to a package): size,\n"
    "date and time, attributes (r read-only, h hidden, s system, a archive, x run after\n"
    "extraction, u UTF-8 name) and name, then a totals line: the number of entries and the bytes\n"
    "they declare, which is what extracting them writes. Entries whose data began in the\n"
    "previous cabinet are marked '<', entries that go on into the next cabinet '>'.\n"
    "Names are shown in UTF-8, converted from code page N (default 1252; 932 for Japanese;\n"
    "utf-8), control characters escaped (\\n, \\t, \\xHH). CABINET '-' reads standard input.\n"
    "\n"
    "  --json         a JSON array, one object per file: name (UTF-8), nameHex (the stored\n"
    "                 bytes, only when they do not convert), size, dateTime, attributes (the\n"
    "                 attribute word), folder (its index in this cabinet), compression (as\n"
    "                 --compress writes it), continuedFromPrevious, continuedIntoNext\n"
    "  --codepage N   code page of the stored names\n"
    "  --             end of options\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

enum Option { kJson, kCodePage };

struct ListContext {
    NameConverter* names = nullptr;
    bool json = false;
    std::vector<uint16_t> folderTypes;
    unsigned files = 0;
    uint64_t bytes = 0;
};

std::string attributeLetters(uint16_t attributes) {
    const char letters[] = {(attributes & 0x01) ? 'r' : '-',
                            (attributes & 0x02) ? 'h' : '-',
                            (attributes & 0x04) ? 's' : '-',
                            (attributes & 0x20) ? 'a' : '-',
                            (attributes & 0x40) ? 'x' : '-',
                            (attributes & 0x80) ? 'u' : '-',
                            '\0'};
    return letters;
}

void printJsonEntry(ListContext& list, const NotificationRecord* record, bool fromPrevious,
                    bool intoNext) {
    bool exact = true;
    const std::string name = list.names->toUtf8(record->name, record->attributes, &exact);
    // Continued entries name their folder by a marker: the first folder holds the data from the
    // previous cabinet, the last the data that goes on into the next.
    size_t folder = record->folderIndex;
    if (fromPrevious) folder = 0;
    if (intoNext) folder = list.folderTypes.empty() ? 0 : list.folderTypes.size() - 1;
    const std::string compression = folder < list.folderTypes.size()
                                        ? describeCompression(list.folderTypes[folder])
                                        : "unknown";
    std::string dateTime = formatDosDateTime(record->date, record->time);
    dateTime[10] = 'T';
    std::printf("%s{\"name\":\"%s\",", list.files == 1 ? "" : ",\n", jsonEscape(name).c_str());
    if (!exact) std::printf("\"nameHex\":\"%s\",", hexBytes(record->name).c_str());
    std::printf(
        "\"size\":%u,\"dateTime\":\"%s\",\"attributes\":%u,\"folder\":%zu,\"compression\":\"%s\","
        "\"continuedFromPrevious\":%s,\"continuedIntoNext\":%s}",
        unsigned(record->size), dateTime.c_str(), unsigned(record->attributes), folder,
        compression.c_str(), fromPrevious ? "true" : "false", intoNext ? "true" : "false");
}

void printEntry(NotificationRecord* record, void* context) {
    auto& list = *static_cast<ListContext*>(context);
    ++list.files;
    list.bytes += uint32_t(record->size);
    const uint16_t folder = record->folderIndex;
    const bool fromPrevious = continuedFromPrevious(folder);
    const bool intoNext = continuedToNext(folder);
    if (list.json) {
        printJsonEntry(list, record, fromPrevious, intoNext);
        return;
    }
    std::printf("%10u  %s  %s %c%c %s\n", unsigned(record->size),
                formatDosDateTime(record->date, record->time).c_str(),
                attributeLetters(record->attributes).c_str(), fromPrevious ? '<' : ' ',
                intoNext ? '>' : ' ',
                escapeControls(list.names->toUtf8(record->name, record->attributes)).c_str());
}

int32_t beginFile(NotificationRecord* record, void* context) {
    printEntry(record, context);
    return 0;  // listed, not extracted
}

int32_t endFile(NotificationRecord*, void*) {
    return 1;
}

// The folder table of the cabinet in the file (a plain cabinet or a package).
std::vector<uint16_t> folderTypesOf(const std::string& path) {
    std::vector<uint16_t> types;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return types;
    const int64_t offset = locateCabinet(fd);
    if (offset >= 0) {
        readFolderTypes(
            [&](uint64_t at, void* buffer, size_t size) {
                return pread(fd, buffer, size, off_t(uint64_t(offset) + at)) == ssize_t(size);
            },
            &types);
    }
    close(fd);
    return types;
}

}  // namespace

int runList(int argc, char** argv) {
    ListContext context;
    int codePage = 1252;
    std::vector<std::string> words;
    auto onOption = [&](int id, const std::string& value, std::string* problem) {
        if (id == kJson) {
            context.json = true;
            return true;
        }
        if (parseCodePage(value, &codePage)) return true;
        *problem = "bad code page '" + value + "'";
        return false;
    };
    switch (parseArguments(argc, argv, "list",
                           {{0, "json", false, kJson}, {0, "codepage", true, kCodePage}}, onOption,
                           &words)) {
        case ParseOutcome::Help:
            std::fputs(kListHelp, stdout);
            return 0;
        case ParseOutcome::Usage:
            return 2;
        case ParseOutcome::Run:
            break;
    }
    if (words.size() != 1) {
        return usageError("list",
                          words.empty() ? "no cabinet given" : "more than one cabinet given");
    }
    NameConverter names(codePage);
    if (!names.valid())
        return usageError("list", "code page " + std::to_string(codePage) + " is not available");
    context.names = &names;
    std::string cabinet, error;
    if (!cabinetPathOf(words[0], &cabinet, &error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    if (context.json) {
        context.folderTypes = folderTypesOf(cabinet);
        std::fputs("[\n", stdout);
    }
    FileEvents events;
    events.begin = beginFile;
    events.end = endFile;
    events.continued = printEntry;
    events.context = &context;
    SessionOptions options;
    options.followSet = false;
    if (words[0] == "-") {
        options.cabinetFolder = ".";
        options.shownName = "standard input";
    }
    const int status = runCabinetSession(cabinet.c_str(), options, events);
    if (context.json) {
        std::fputs(context.files ? "\n]\n" : "]\n", stdout);
    } else if (status == 0) {
        std::printf("%u files, %llu bytes\n", context.files,
                    static_cast<unsigned long long>(context.bytes));
    }
    return status;
}

}  // namespace tamrix::tool
