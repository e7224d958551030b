// tamrix info [--json | --settings] [--codepage N] FILE: the package and its cabinet as the stub
// sees them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pack/package_settings.h"
#include "pack/setting_keys.h"
#include "tools/cabinet_summary.h"
#include "tools/commands.h"
#include "tools/info_report.h"
#include "tools/name_text.h"
#include "tools/package_facts.h"

namespace tamrix::tool {

namespace {

constexpr const char* kInfoHelp =
    "usage: tamrix info [--json | --settings] [--codepage N] FILE\n"
    "\n"
    "Shows a package as the stub sees it (image end, signature, header, the CRC's range and\n"
    "whether it matches) and its cabinet (set, reserve sizes, neighbours, folders, files), one\n"
    "'key: value' a line; header texts are converted from code page N (default 1252) to UTF-8\n"
    "with control characters escaped.\n"
    "  --json       the same keys as one JSON object\n"
    "  --settings   the header as a settings file for 'tamrix pack --from'\n"
    "Exit status: 0 ok, 1 the file cannot be read or holds no cabinet, 2 usage error.\n";

constexpr const char kReplacement[] = "\xEF\xBF\xBD";

std::string hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// The header's settings with its texts in UTF-8; false when a text has bytes that the code page
// does not define (they are then U+FFFD in the settings).
bool headerSettings(const PackageHeader& header, int codePage, pack::PackageSettings* settings) {
    NameConverter converter(codePage);
    bool exact = true;
    auto convert = [&](const char* field) {
        std::string text = converter.toUtf8(field, 0);
        exact = exact && text.find(kReplacement) == std::string::npos;
        return text;
    };
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) settings->name = convert(header.name);
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) settings->name = header.name != 0;
#include "package/package_header_fields.inc"
    return exact;
}

void reportPackage(const PackageFacts& facts, const pack::PackageSettings& settings,
                   InfoReport* report) {
    report->number("imageEnd", facts.imageEnd);
    report->flag("signed", facts.certificate.size != 0);
    if (facts.certificate.size != 0) {
        report->number("certificateOffset", facts.certificate.offset);
        report->number("certificateSize", facts.certificate.size);
    }
    report->flag("headerValid", facts.headerValid);
    if (!facts.headerValid) return;
    for (const pack::HeaderSettingKey& entry : pack::kHeaderSettingKeys) {
        if (entry.text) {
            report->text(entry.key, settings.*entry.text);
        } else {
            report->flag(entry.key, settings.*entry.flag != entry.inverted);
        }
    }
    report->literal("cabinetCrc", hex32(facts.header.cabinetCrc),
                    std::to_string(facts.header.cabinetCrc));
    report->number("crcStart", facts.crcRange.start);
    report->number("crcEnd", facts.crcRange.end);
    if (facts.crcChecked) {
        report->flag("crcValid", facts.crcValid);
    } else {
        report->literal("crcValid", "none", "null");
    }
}

void reportNeighbour(InfoReport* report, const char* key, bool present, const std::string& name,
                     const std::string& disk, NameConverter* converter) {
    if (!present) {
        report->literal(key, "none", "null");
        return;
    }
    report->text(key, converter->toUtf8(name.c_str(), 0));
    report->text((std::string(key) + "Disk").c_str(), converter->toUtf8(disk.c_str(), 0));
}

void reportCabinet(const CabinetSummary& cabinet, int codePage, InfoReport* report) {
    NameConverter converter(codePage);
    report->number("cabinetSize", cabinet.cabinetSize);
    char version[16];
    std::snprintf(version, sizeof version, "%u.%u", cabinet.version >> 8, cabinet.version & 0xFF);
    report->text("version", version);
    report->number("setId", cabinet.setId);
    report->number("cabinetIndex", cabinet.cabinetIndex);
    reportNeighbour(report, "previousCabinet", cabinet.hasPrevious, cabinet.previousCabinet,
                    cabinet.previousDisk, &converter);
    reportNeighbour(report, "nextCabinet", cabinet.hasNext, cabinet.nextCabinet, cabinet.nextDisk,
                    &converter);
    report->number("headerReserve", cabinet.headerReserve);
    report->number("folderReserve", cabinet.folderReserve);
    report->number("blockReserve", cabinet.blockReserve);
    report->beginList("folders");
    for (const FolderSummary& folder : cabinet.folders) {
        report->beginItem();
        report->text("compression", compressionName(folder.compression));
        report->number("blocks", folder.blocks);
        report->number("blocksWithoutChecksum", folder.blocksWithoutChecksum);
        report->endItem();
    }
    report->endList();
    report->number("files", cabinet.fileCount);
    report->number("fileBytes", cabinet.fileBytes);
}

int printSettings(const char* path, const PackageFacts& facts, int codePage) {
    if (!facts.headerValid) {
        std::fprintf(stderr, "tamrix info: %s has no package header\n", path);
        return 1;
    }
    pack::PackageSettings settings;
    if (!headerSettings(facts.header, codePage, &settings)) {
        std::fprintf(stderr,
                     "tamrix info: a header text of %s has bytes that code page %d does not "
                     "define; give its code page with --codepage\n",
                     path, codePage);
        return 1;
    }
    std::printf("# the header of %s, for tamrix pack --from\n", path);
    std::fputs(pack::settingLine("codepage", std::to_string(codePage)).c_str(), stdout);
    for (const pack::HeaderSettingKey& entry : pack::kHeaderSettingKeys) {
        std::fputs(pack::settingLine(entry.key, pack::headerSettingValue(entry, settings)).c_str(),
                   stdout);
    }
    return 0;
}

}  // namespace

int runInfo(int argc, char** argv) {
    const char* path = nullptr;
    bool json = false;
    bool settingsOnly = false;
    int codePage = 1252;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded) {
            if (path) {
                std::fputs(kInfoHelp, stderr);
                return 2;
            }
            path = argv[i];
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kInfoHelp, stdout);
            return 0;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--settings") {
            settingsOnly = true;
        } else if (arg == "--codepage" && i + 1 < argc) {
            codePage = std::atoi(argv[++i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tamrix info: unknown option '%s'\nTry 'tamrix info --help'.\n",
                         argv[i]);
            return 2;
        } else if (path) {
            std::fputs(kInfoHelp, stderr);
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (!path || (json && settingsOnly)) {
        std::fputs(kInfoHelp, stderr);
        return 2;
    }
    if (!NameConverter(codePage).valid()) {
        std::fprintf(stderr, "tamrix info: code page %d is not known here\n", codePage);
        return 2;
    }
    PackageFacts facts;
    std::string error;
    if (!readPackageFacts(path, &facts, &error)) {
        std::fprintf(stderr, "tamrix info: %s\n", error.c_str());
        return 1;
    }
    if (settingsOnly) return printSettings(path, facts, codePage);
    if (!facts.executable && facts.cabinetOffset != 0) {
        std::fprintf(stderr, "tamrix info: %s is neither a package nor a cabinet\n", path);
        return 1;
    }
    pack::PackageSettings settings;
    if (facts.headerValid) headerSettings(facts.header, codePage, &settings);
    InfoReport report(stdout, json);
    report.text("kind", facts.executable ? "package" : "cabinet");
    report.number("size", facts.fileSize);
    if (facts.executable) reportPackage(facts, settings, &report);
    CabinetSummary cabinet;
    bool found =
        facts.cabinetOffset >= 0 && summarizeCabinetFile(path, facts.cabinetOffset, &cabinet);
    if (found) {
        report.number("cabinetOffset", uint64_t(facts.cabinetOffset));
        reportCabinet(cabinet, codePage, &report);
    } else {
        report.literal("cabinetOffset", "none", "null");
    }
    report.finish();
    if (!found) {
        std::fprintf(stderr, "tamrix info: %s holds no cabinet\n", path);
        return 1;
    }
    return 0;
}

}  // namespace tamrix::tool
