// Attributes, folders and the executable search on a POSIX file system.
#include "platform/filesystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/module.h"
#include "platform/posix/host_paths.h"
#include "platform/posix/write_guard.h"

namespace tamrix::platform {

uint32_t getFileAttributes(const char* path) {
    std::string hostPath = posix::toHostPath(path);
    struct stat info;
    if (hostPath.empty() || ::stat(hostPath.c_str(), &info) != 0) return kInvalidAttributes;
    uint32_t attributes = S_ISDIR(info.st_mode) ? kAttrDirectory : kAttrArchive;
    if (!(info.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
    return attributes;
}

bool setFileAttributes(const char* path, uint32_t attributes) {
    std::string hostPath = posix::toHostPath(path);
    struct stat info;
    if (hostPath.empty() || ::stat(hostPath.c_str(), &info) != 0) return false;
    mode_t mode = info.st_mode & 07777;
    // Read-only is the absence of write permission; the other bits have no POSIX counterpart.
    if (attributes & kAttrReadOnly) {
        mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    return ::chmod(hostPath.c_str(), mode) == 0;
}

bool deleteFile(const char* path) {
    std::string hostPath = posix::toHostPath(path);
    struct stat info;
    if (hostPath.empty() || ::lstat(hostPath.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return false;
    }
    // Windows refuses to delete a read-only file.
    if (!S_ISLNK(info.st_mode) && !(info.st_mode & S_IWUSR)) return false;
    return ::unlink(hostPath.c_str()) == 0;
}

bool createDirectory(const char* path) {
    std::string hostPath = posix::toHostPath(path);
    return !hostPath.empty() && posix::writeAllowed(hostPath) &&
           ::mkdir(hostPath.c_str(), 0777) == 0;
}

bool removeDirectory(const char* path) {
    std::string hostPath = posix::toHostPath(path);
    return !hostPath.empty() && ::rmdir(hostPath.c_str()) == 0;
}

namespace {

// The system's search finds folders as well as files.
bool exists(const std::string& hostPath) {
    struct stat info;
    return ::stat(hostPath.c_str(), &info) == 0;
}

uint32_t deliver(const std::string& hostPath, char* out, uint32_t size) {
    char resolved[PATH_MAX];
    if (!::realpath(hostPath.c_str(), resolved)) return 0;
    std::string windowsPath = posix::toWindowsPath(resolved);
    if (windowsPath.size() + 1 > size) return 0;
    std::memcpy(out, windowsPath.c_str(), windowsPath.size() + 1);
    return uint32_t(windowsPath.size());
}

}  // namespace

uint32_t searchPath(const char* name, char* out, uint32_t size) {
    if (!*name) return 0;
    // A name with a folder part is looked up as written; a bare name goes through the module's
    // folder, the current folder and PATH, the order of the default search path.
    if (std::strpbrk(name, "\\/:")) {
        std::string hostPath = posix::toHostPath(name);
        return !hostPath.empty() && exists(hostPath) ? deliver(hostPath, out, size) : 0;
    }
    std::string folders;
    char moduleName[4096];
    if (moduleFileName(moduleName, sizeof moduleName)) {
        std::string modulePath = posix::toHostPath(moduleName);
        folders += modulePath.substr(0, modulePath.find_last_of('/') + 1);
    }
    folders += ":.";
    if (const char* pathVariable = std::getenv("PATH")) folders += std::string(":") + pathVariable;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty()) {
            std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (exists(candidate)) return deliver(candidate, out, size);
        }
        start = end + 1;
    }
    return 0;
}

uint32_t fullPathName(const char* path, char* out, uint32_t size) {
    std::string hostPath = posix::toHostPath(path);
    if (hostPath.empty()) return 0;
    if (hostPath[0] != '/') {
        char current[PATH_MAX];
        if (!::getcwd(current, sizeof current)) return 0;
        hostPath = std::string(current) + "/" + hostPath;
    }
    // "." and ".." steps are folded in the text, as the system does, without following links.
    std::string folded;
    size_t start = 1;
    while (start <= hostPath.size()) {
        size_t end = hostPath.find('/', start);
        if (end == std::string::npos) end = hostPath.size();
        std::string step = hostPath.substr(start, end - start);
        if (step == "..") {
            folded.erase(folded.empty() ? 0 : folded.rfind('/'));
        } else if (!step.empty() && step != ".") {
            folded += "/" + step;
        }
        start = end + 1;
    }
    std::string windowsPath = posix::toWindowsPath(folded.empty() ? "/" : folded);
    if (windowsPath.size() + 1 > size) return 0;
    std::memcpy(out, windowsPath.c_str(), windowsPath.size() + 1);
    return uint32_t(windowsPath.size());
}

}  // namespace tamrix::platform
