#include "tools/target_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

#include "pack/interrupt_cleanup.h"

namespace tamrix::tool {

namespace {

struct PendingTarget {
    int folderFd;
    std::string temporaryName;
    std::string finalName;
    std::string fullPath;
    int cleanupSlot;  // removal of the temporary file on Ctrl-C or SIGTERM
};

int rootFd = -1;
std::string rootPath;   // resolved
std::string rootShown;  // as the user named it, for messages
std::map<int32_t, PendingTarget> pending;
unsigned temporaryCounter = 0;

mode_t currentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

std::string joined(const std::vector<std::string>& components, size_t count) {
    std::string path;
    for (size_t i = 0; i < count; ++i) path += (i ? "/" : "") + components[i];
    return path;
}

std::string shownPath(const std::vector<std::string>& components, size_t count) {
    const std::string below = joined(components, count);
    if (rootShown.empty() || rootShown == ".") return below;
    return rootShown + (rootShown.back() == '/' ? "" : "/") + below;
}

bool isLink(int folder, const char* name) {
    struct stat info;
    return fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

// Why folder component `index` could not be entered; a link is said to be one.
std::string enterFailure(int folder, const std::vector<std::string>& components, size_t index,
                         bool* linked) {
    const int cause = errno;
    *linked = isLink(folder, components[index].c_str());
    if (*linked) {
        return "folder '" + joined(components, index + 1) +
               "' in the output folder is a symbolic link; '" +
               joined(components, components.size()) + "' is not written through it";
    }
    if (cause == ENOTDIR) {
        return "'" + shownPath(components, index + 1) + "' is in the way: it is not a folder";
    }
    return "cannot enter folder '" + shownPath(components, index + 1) +
           "': " + std::strerror(cause);
}

// Opens (creating as needed) each folder component below the root without following links.
int openFolderChain(const std::vector<std::string>& components, std::string* reason, bool* linked) {
    int folder = dup(rootFd);
    for (size_t i = 0; folder >= 0 && i + 1 < components.size(); ++i) {
        const char* name = components[i].c_str();
        if (mkdirat(folder, name, 0777) != 0 && errno != EEXIST) {
            *reason = "cannot create folder '" + shownPath(components, i + 1) +
                      "': " + std::strerror(errno);
            close(folder);
            return -1;
        }
        int next = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) *reason = enterFailure(folder, components, i, linked);
        close(folder);
        folder = next;
    }
    return folder;
}

struct timespec dosToTimespec(uint16_t date, uint16_t time) {
    struct tm local {};
    local.tm_year = 80 + (date >> 9);
    local.tm_mon = ((date >> 5) & 15) - 1;
    local.tm_mday = date & 31;
    local.tm_hour = time >> 11;
    local.tm_min = (time >> 5) & 63;
    local.tm_sec = (time & 31) * 2;
    local.tm_isdst = -1;
    struct timespec result {};
    result.tv_sec = mktime(&local);
    return result;
}

}  // namespace

bool openOutputRoot(const char* path, std::string* reason) {
    rootShown = path;
    // Every missing level, from the top down.
    for (size_t end = rootShown.find('/', 1);; end = rootShown.find('/', end + 1)) {
        const std::string level = rootShown.substr(0, end);
        if (!level.empty() && mkdir(level.c_str(), 0777) != 0 && errno != EEXIST) {
            *reason = "cannot create folder '" + level + "': " + std::strerror(errno);
            return false;
        }
        if (end == std::string::npos) break;
    }
    rootFd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) {
        *reason = errno == ENOTDIR
                      ? "'" + rootShown + "' is in the way: it is not a folder"
                      : "cannot open folder '" + rootShown + "': " + std::strerror(errno);
        return false;
    }
    char* resolved = realpath(path, nullptr);
    rootPath = resolved ? resolved : path;
    std::free(resolved);
    return true;
}

std::string outputPathOf(const std::vector<std::string>& components) {
    return shownPath(components, components.size());
}

void closeOutputRoot() {
    discardAllTargets();
    if (rootFd >= 0) close(rootFd);
    rootFd = -1;
}

CreateResult createTarget(const std::vector<std::string>& components, ExistingPolicy policy,
                          int32_t* handle, std::string* reason) {
    bool linked = false;
    int folder = openFolderChain(components, reason, &linked);
    if (folder < 0) return linked ? CreateResult::LinkedFolder : CreateResult::Failed;
    const std::string& name = components.back();
    struct stat info;
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        if (policy == ExistingPolicy::Skip) {
            close(folder);
            return CreateResult::Skipped;
        }
        if (S_ISDIR(info.st_mode)) {
            close(folder);
            return CreateResult::FolderInTheWay;
        }
        if (policy == ExistingPolicy::Refuse) {
            close(folder);
            return CreateResult::Exists;
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        char temporary[64];
        std::snprintf(temporary, sizeof temporary, ".tamrix-%d-%u.part", int(getpid()),
                      temporaryCounter++);
        int fd =
            openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            pending[fd] = PendingTarget{folder, temporary, name,
                                        rootPath + "/" + joined(components, components.size()),
                                        pack::registerTemporary(folder, temporary)};
            *handle = fd;
            return CreateResult::Created;
        }
        if (errno != EEXIST) break;
    }
    *reason = "cannot create '" + outputPathOf(components) + "': " + std::strerror(errno);
    close(folder);
    return CreateResult::Failed;
}

bool finishTarget(int32_t handle, uint16_t date, uint16_t time, uint16_t attributes,
                  std::string* reason) {
    auto found = pending.find(handle);
    if (found == pending.end()) return false;
    PendingTarget target = found->second;
    pending.erase(found);
    struct timespec times[2] = {dosToTimespec(date, time), dosToTimespec(date, time)};
    bool ok = futimens(handle, times) == 0;
    if (attributes & 0x01) ok = ok && fchmod(handle, 0444 & ~currentUmask()) == 0;
    ok = close(handle) == 0 && ok;
    if (ok && renameat(target.folderFd, target.temporaryName.c_str(), target.folderFd,
                       target.finalName.c_str()) != 0) {
        ok = false;
    }
    if (!ok) {
        *reason = "cannot finish '" + target.fullPath + "': " + std::strerror(errno);
        unlinkat(target.folderFd, target.temporaryName.c_str(), 0);
    }
    pack::unregisterTemporary(target.cleanupSlot);
    close(target.folderFd);
    return ok;
}

std::string targetPathOf(int32_t handle) {
    auto found = pending.find(handle);
    return found == pending.end() ? std::string() : found->second.fullPath;
}

bool discardTarget(int32_t handle) {
    auto found = pending.find(handle);
    if (found == pending.end()) return false;
    close(handle);
    unlinkat(found->second.folderFd, found->second.temporaryName.c_str(), 0);
    pack::unregisterTemporary(found->second.cleanupSlot);
    close(found->second.folderFd);
    pending.erase(found);
    return true;
}

void discardAllTargets() {
    while (!pending.empty()) discardTarget(pending.begin()->first);
}

}  // namespace tamrix::tool
