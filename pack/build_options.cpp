#include "pack/build_options.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pack/ansi_text.h"
#include "pack/output_guard.h"
#include "pack/package_settings.h"

namespace tamrix::pack {

bool parseByteCount(const std::string& text, uint64_t* value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    uint64_t number = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (number > (uint64_t(1) << 40)) return false;
        number = number * 10 + uint64_t(text[i] - '0');
    }
    std::string unit = text.substr(i);
    unsigned shift = 0;
    if (unit == "K" || unit == "k") {
        shift = 10;
    } else if (unit == "M" || unit == "m") {
        shift = 20;
    } else if (unit == "G" || unit == "g") {
        shift = 30;
    } else if (!unit.empty()) {
        return false;
    }
    if (number > (uint64_t(1) << 40)) return false;
    *value = number << shift;
    return true;
}

OptionResult applyBuildOption(const std::string& name, const std::string& value,
                              BuildOptions* options, std::string* error) {
    bool flag = false;
    if (name == "compress") {
        // The level stays what it was set to, before or after --compress.
        const int level = options->cabinet.compression.level;
        if (!parseCompression(value, &options->cabinet.compression, error)) {
            return OptionResult::Failed;
        }
        options->cabinet.compression.level = level;
    } else if (name == "level") {
        if (!parseLevel(value, &options->cabinet.compression.level, error)) {
            return OptionResult::Failed;
        }
    } else if (name == "jobs") {
        char* end = nullptr;
        const long jobs = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end || jobs < 1 || jobs > 64) {
            *error = "-j wants a number of threads from 1 to 64: '" + value + "'";
            return OptionResult::Failed;
        }
        options->cabinet.jobs = unsigned(jobs);
    } else if (name == "folder-size") {
        if (!parseByteCount(value, &options->cabinet.folderSize) ||
            options->cabinet.folderSize == 0) {
            *error =
                "--folder-size wants a number of bytes (e.g. 65536, 512K, 64M): '" + value + "'";
            return OptionResult::Failed;
        }
    } else if (name == "codepage") {
        char* end = nullptr;
        long page = std::strtol(value.c_str(), &end, 10);
        if (value == "utf-8" || value == "UTF-8" || value == "utf8") {
            page = kUtf8CodePage;
        } else if (value.empty() || *end || page <= 0 || page > 65535) {
            *error = "--codepage wants a code page number such as 1252 or 932, or utf-8: '" +
                     value + "'";
            return OptionResult::Failed;
        }
        options->input.codePage = int(page);
    } else if (name == "max-cabinet-size") {
        uint64_t size = 0;
        if (!parseByteCount(value, &size) || size < 1024 || size > 0xFFFFFFFFu) {
            *error =
                "--max-cabinet-size wants a number of bytes from 1K to 4G-1 (e.g. 1440K, "
                "100M): '" +
                value + "'";
            return OptionResult::Failed;
        }
        options->layout.maxCabinetSize = size;
    } else if (name == "reserve") {
        if (!parseReserve(value, &options->layout, error)) return OptionResult::Failed;
    } else if (name == "no-checksums" || name == "quiet") {
        if (!parseFlag(value, &flag)) {
            *error = name + " wants yes or no: '" + value + "'";
            return OptionResult::Failed;
        }
        if (name == "quiet") {
            options->quiet = flag;
        } else {
            options->cabinet.blockChecksums = !flag;
        }
    } else {
        return OptionResult::Unknown;
    }
    return OptionResult::Applied;
}

bool isBuildValueOption(const std::string& name) {
    return name == "compress" || name == "level" || name == "jobs" || name == "folder-size" ||
           name == "codepage" || name == "max-cabinet-size" || name == "reserve";
}

bool checkBuildOptions(const BuildOptions& options, std::string* error) {
    if (options.layout.maxCabinetSize && options.cabinet.folderSize) {
        *error =
            "--folder-size and --max-cabinet-size exclude each other: a set keeps its files "
            "in one folder that runs from cabinet to cabinet";
        return false;
    }
    return true;
}

bool prepareCabinet(const std::vector<std::string>& inputs, const BuildOptions& options,
                    uint64_t sizeLimit, std::vector<CabinetEntry>* entries, CabinetPlan* plan,
                    std::string* error) {
    std::vector<std::string> notes;
    bool ok = collectEntries(inputs, options.input, entries, &notes, error);
    if (ok && !options.outputPath.empty()) dropOutputFiles(options.outputPath, entries, &notes);
    // Each cabinet of a set is checked against the limit as it is cut.
    if (options.layout.maxCabinetSize) sizeLimit = UINT64_MAX;
    if (!options.quiet) {
        for (const std::string& note : notes) std::fprintf(stderr, "note: %s\n", note.c_str());
    }
    return ok && planCabinet(*entries, options.cabinet, sizeLimit, plan, error);
}

std::string describeCabinet(const std::vector<CabinetEntry>& entries, const CabinetPlan& plan,
                            const CabinetOptions& options) {
    uint64_t bytes = 0;
    for (const CabinetEntry& entry : entries) bytes += entry.size;
    return std::to_string(entries.size()) + (entries.size() == 1 ? " file (" : " files (") +
           std::to_string(bytes) + " bytes) in " + std::to_string(plan.folders.size()) +
           (plan.folders.size() == 1 ? " folder, " : " folders, ") + options.compression.describe();
}

}  // namespace tamrix::pack
