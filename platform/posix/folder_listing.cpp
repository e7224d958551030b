// A folder's listing read at once with opendir/readdir, "." and ".." first as the system gives
// them. A symbolic link is listed as what it is, not as its target, so no walk follows it out.
#include "platform/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/posix/host_paths.h"

namespace tamrix::platform {

namespace {

struct Listing {
    std::vector<FindData> entries;
    size_t next = 0;
};

bool matchesAll(const std::string& pattern) {
    return pattern == "*" || pattern == "*.*";
}

uint32_t attributesOf(const std::string& hostPath) {
    struct stat info;
    if (::lstat(hostPath.c_str(), &info) != 0) return kInvalidAttributes;
    uint32_t attributes = S_ISDIR(info.st_mode) ? kAttrDirectory : kAttrArchive;
    if (!(info.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
    return attributes;
}

// False when the name's Windows form does not fit a listing entry.
bool makeEntry(const std::string& hostFolder, const std::string& hostName, FindData* entry) {
    std::string name = posix::toWindowsPath(hostName);
    uint32_t attributes = attributesOf(hostFolder + "/" + hostName);
    if (name.size() + 1 > sizeof entry->name || attributes == kInvalidAttributes) return false;
    std::memcpy(entry->name, name.c_str(), name.size() + 1);
    entry->attributes = attributes;
    return true;
}

}  // namespace

FindHandle findFirstFile(const char* pattern, FindData* data) {
    std::string hostPattern = posix::toHostPath(pattern);
    size_t slash = hostPattern.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".")
                         : slash == 0               ? std::string("/")
                                                    : hostPattern.substr(0, slash);
    std::string leaf = hostPattern.substr(slash == std::string::npos ? 0 : slash + 1);
    if (hostPattern.empty() || leaf.empty()) return kInvalidFindHandle;

    auto* listing = new Listing;
    if (matchesAll(leaf)) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) {
            delete listing;
            return kInvalidFindHandle;
        }
        std::vector<std::string> names;
        while (dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
        ::closedir(dir);
        std::stable_partition(names.begin(), names.end(),
                              [](const std::string& n) { return n == "." || n == ".."; });
        std::stable_partition(names.begin(), names.end(),
                              [](const std::string& n) { return n == "."; });
        for (const std::string& name : names) {
            FindData entry;
            if (makeEntry(folder, name, &entry)) listing->entries.push_back(entry);
        }
    } else {
        FindData entry;
        if (makeEntry(folder, leaf, &entry)) listing->entries.push_back(entry);
    }
    if (listing->entries.empty()) {
        delete listing;
        return kInvalidFindHandle;
    }
    *data = listing->entries[0];
    listing->next = 1;
    return listing;
}

bool findNextFile(FindHandle handle, FindData* data) {
    auto* listing = static_cast<Listing*>(handle);
    if (listing->next >= listing->entries.size()) return false;
    *data = listing->entries[listing->next++];
    return true;
}

void findClose(FindHandle handle) {
    delete static_cast<Listing*>(handle);
}

}  // namespace tamrix::platform
