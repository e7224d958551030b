// tamrix list: one line per file entry of a cabinet: size, date and time, attributes, name.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/cabinet_session.h"
#include "tools/commands.h"
#include "tools/name_text.h"

namespace tamrix::tool {

namespace {

constexpr const char* kListHelp =
    "usage: tamrix list [--codepage N] CABINET|PACKAGE\n"
    "\n"
    "Lists the file entries of one cabinet (or of the cabinet appended to a package): size,\n"
    "date and time, attributes (r read-only, h hidden, s system, a archive, x run after\n"
    "extraction, u UTF-8 name) and name. Entries whose data began in the previous cabinet are\n"
    "marked '<', entries that go on into the next cabinet '>'. Names are shown in UTF-8,\n"
    "converted from code page N (default 1252). A last line gives the number of entries and the\n"
    "bytes they declare, which is what extracting them writes.\n";

struct ListContext {
    NameConverter* names;
    uint64_t files = 0;
    uint64_t bytes = 0;  // as declared: overlapping entries count each time
};

void printEntry(const NotificationRecord* record, ListContext* list) {
    ++list->files;
    list->bytes += uint32_t(record->size);
    NameConverter* names = list->names;
    const uint16_t attributes = record->attributes;
    const char letters[] = {(attributes & 0x01) ? 'r' : '-',
                            (attributes & 0x02) ? 'h' : '-',
                            (attributes & 0x04) ? 's' : '-',
                            (attributes & 0x20) ? 'a' : '-',
                            (attributes & 0x40) ? 'x' : '-',
                            (attributes & 0x80) ? 'u' : '-',
                            '\0'};
    const uint16_t folder = record->folderIndex;
    const char from = (folder & 0xFFFD) == 0xFFFD ? '<' : ' ';
    const char into = (folder & 0xFFFE) == 0xFFFE ? '>' : ' ';
    std::printf("%10u  %s  %s %c%c %s\n", unsigned(record->size),
                formatDosDateTime(record->date, record->time).c_str(), letters, from, into,
                names->toUtf8(record->name, attributes).c_str());
}

int32_t beginFile(NotificationRecord* record, void* context) {
    printEntry(record, static_cast<ListContext*>(context));
    return 0;  // listed, not extracted
}

void continuedFile(NotificationRecord* record, void* context) {
    printEntry(record, static_cast<ListContext*>(context));
}

int32_t endFile(NotificationRecord*, void*) {
    return 1;
}

}  // namespace

int runList(int argc, char** argv) {
    const char* cabinet = nullptr;
    int codePage = 1252;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kListHelp, stdout);
            return 0;
        } else if (!std::strcmp(argv[i], "--codepage") && i + 1 < argc) {
            codePage = std::atoi(argv[++i]);
        } else if (argv[i][0] == '-' || cabinet) {
            std::fputs(kListHelp, stderr);
            return 2;
        } else {
            cabinet = argv[i];
        }
    }
    if (!cabinet) {
        std::fputs(kListHelp, stderr);
        return 2;
    }
    NameConverter names(codePage);
    if (!names.valid()) {
        std::fprintf(stderr, "tamrix list: code page %d is not available\n", codePage);
        return 2;
    }
    FileEvents events;
    events.begin = beginFile;
    events.end = endFile;
    events.continued = continuedFile;
    ListContext list{&names};
    events.context = &list;
    SessionOptions options;
    options.followSet = false;
    const int status = runCabinetSession(cabinet, options, events);
    if (status == 0) {
        std::printf("%llu files, %llu bytes\n", static_cast<unsigned long long>(list.files),
                    static_cast<unsigned long long>(list.bytes));
    }
    return status;
}

}  // namespace tamrix::tool
