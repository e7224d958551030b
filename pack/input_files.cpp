#include "pack/input_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "pack/ansi_text.h"
#include "pack/dos_time.h"

namespace tamrix::pack {

namespace {

struct Walk {
    AnsiText ansi;
    bool fixedDate = false;
    DosDateTime epochDate{};
    std::vector<CabinetEntry>* entries;
    std::vector<std::string>* notes;
    std::string* error;
    std::map<std::string, std::string> seen;  // folded stored name -> host path

    Walk(int codePage, std::vector<CabinetEntry>* e, std::vector<std::string>* n, std::string* err)
        : ansi(codePage), entries(e), notes(n), error(err) {}

    bool addFile(const std::string& hostPath, const std::string& relative, const struct stat& info);
    bool addFolder(const std::string& hostPath, const std::string& relative);
};

std::string foldCase(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return folded;
}

std::string joinHost(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool Walk::addFile(const std::string& hostPath, const std::string& relative,
                   const struct stat& info) {
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        std::string problem = windowsNameProblem(relative.substr(start, end - start));
        if (!problem.empty()) {
            *error = "'" + hostPath + "': " + problem;
            return false;
        }
        start = end + 1;
    }
    CabinetEntry entry;
    entry.sourcePath = hostPath;
    // A name the code page cannot hold is stored as UTF-8 and marked so.
    bool utf8Name = ansi.codePage() == kUtf8CodePage || !ansi.fromUtf8(relative, &entry.name);
    if (utf8Name) {
        if (!isUtf8(relative)) {
            *error = "'" + hostPath +
                     "': the name is not UTF-8 and cannot be written in code page " +
                     std::to_string(ansi.codePage()) + " (choose another with --codepage)";
            return false;
        }
        entry.name = relative;
    }
    std::replace(entry.name.begin(), entry.name.end(), '/', '\\');
    auto [place, added] = seen.emplace(foldCase(entry.name), hostPath);
    if (!added) {
        *error = "'" + hostPath + "' and '" + place->second +
                 "' would have the same name in the cabinet (Windows names ignore case)";
        return false;
    }
    entry.size = uint64_t(info.st_size);
    DosDateTime stamp = fixedDate ? epochDate : toDosDateTime(info.st_mtime, false);
    entry.date = stamp.date;
    entry.time = stamp.time;
    entry.attributes = kAttrArchive | ((info.st_mode & S_IWUSR) ? 0 : kAttrReadOnly) |
                       (utf8Name ? kAttrUtf8Name : 0);
    entries->push_back(std::move(entry));
    return true;
}

bool Walk::addFolder(const std::string& hostPath, const std::string& relative) {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(hostPath.c_str()), closedir);
    if (!folder) {
        *error = "cannot read the folder '" + hostPath + "': " + std::strerror(errno);
        return false;
    }
    std::vector<std::string> names;
    while (struct dirent* item = readdir(folder.get())) {
        if (std::strcmp(item->d_name, ".") && std::strcmp(item->d_name, "..")) {
            names.push_back(item->d_name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string childHost = joinHost(hostPath, name);
        std::string childRelative = relative.empty() ? name : relative + "/" + name;
        struct stat link;
        struct stat info;
        if (lstat(childHost.c_str(), &link) != 0 || stat(childHost.c_str(), &info) != 0) {
            *error = "cannot examine '" + childHost + "': " + std::strerror(errno);
            return false;
        }
        if (S_ISDIR(info.st_mode)) {
            if (S_ISLNK(link.st_mode)) {
                notes->push_back("passed over the link to a folder '" + childHost + "'");
                continue;
            }
            if (!addFolder(childHost, childRelative)) return false;
        } else if (S_ISREG(info.st_mode)) {
            if (!addFile(childHost, childRelative, info)) return false;
        } else {
            *error = "'" + childHost + "' is neither a file nor a folder";
            return false;
        }
    }
    return true;
}

std::string baseName(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

std::string windowsNameProblem(const std::string& component) {
    if (component.empty()) return "has an empty name";
    if (component == "." || component == "..") return "has the name '" + component + "'";
    for (unsigned char c : component) {
        if (c < 0x20) return "has a control character in its name";
        if (std::strchr("\\:*?\"<>|", c)) {
            return std::string("has the character '") + char(c) +
                   "' in its name, which Windows file names cannot hold";
        }
    }
    return {};
}

bool collectEntries(const std::vector<std::string>& paths, const InputOptions& options,
                    std::vector<CabinetEntry>* entries, std::vector<std::string>* notes,
                    std::string* error) {
    Walk walk(options.codePage, entries, notes, error);
    if (!walk.ansi.valid()) {
        *error = "code page " + std::to_string(options.codePage) + " is not known here";
        return false;
    }
    time_t epoch;
    bool malformed;
    if (sourceDateEpoch(&epoch, &malformed)) {
        walk.fixedDate = true;
        walk.epochDate = toDosDateTime(epoch, true);
    } else if (malformed) {
        *error = "SOURCE_DATE_EPOCH is not a number of seconds";
        return false;
    }
    for (const std::string& path : paths) {
        struct stat info;
        if (stat(path.c_str(), &info) != 0) {
            *error = "cannot examine '" + path + "': " + std::strerror(errno);
            return false;
        }
        if (S_ISDIR(info.st_mode)) {
            if (!walk.addFolder(path, "")) return false;
        } else if (S_ISREG(info.st_mode)) {
            if (!walk.addFile(path, baseName(path), info)) return false;
        } else {
            *error = "'" + path + "' is neither a file nor a folder";
            return false;
        }
    }
    return true;
}

}  // namespace tamrix::pack
