#include "pack/output_guard.h"

#include <sys/stat.h>

#include <filesystem>

namespace tamrix::pack {

namespace {

namespace fs = std::filesystem;

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The folder of a path, made absolute with its links resolved (the path itself need not exist).
fs::path folderOf(const std::string& path) {
    std::error_code ignored;
    fs::path parent = fs::path(path).parent_path();
    return fs::weakly_canonical(parent.empty() ? fs::path(".") : parent, ignored);
}

// STEM followed by digits and ".cab", or the output's temporary names.
bool belongsToOutput(const std::string& name, const std::string& base) {
    const std::string stem = base.substr(0, base.rfind('.'));
    if (name == base || name.rfind("." + base + ".tmp-", 0) == 0) return true;
    if (name.size() <= stem.size() + 4 || name.compare(0, stem.size(), stem) != 0 ||
        name.compare(name.size() - 4, 4, ".cab") != 0) {
        return false;
    }
    for (size_t i = stem.size(); i < name.size() - 4; ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

}  // namespace

bool refuseOverwritingInput(const std::string& output, const std::vector<std::string>& inputs,
                            std::string* error) {
    for (const std::string& input : inputs) {
        if (!input.empty() && sameFile(output, input)) {
            *error = "the output '" + output + "' is the input '" + input +
                     "': refusing to overwrite it";
            return false;
        }
    }
    return true;
}

void dropOutputFiles(const std::string& output, std::vector<CabinetEntry>* entries,
                     std::vector<std::string>* notes) {
    const fs::path outputFolder = folderOf(output);
    const std::string base = fs::path(output).filename().string();
    std::vector<CabinetEntry> kept;
    for (CabinetEntry& entry : *entries) {
        const std::string name = fs::path(entry.sourcePath).filename().string();
        if (belongsToOutput(name, base) && folderOf(entry.sourcePath) == outputFolder) {
            notes->push_back("'" + entry.sourcePath + "' is this build's output: not packed");
        } else {
            kept.push_back(std::move(entry));
        }
    }
    *entries = std::move(kept);
}

}  // namespace tamrix::pack
