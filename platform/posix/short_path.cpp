#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/filesystem.h"
#include "platform/posix/host_paths.h"

namespace tamrix::platform {

// POSIX file systems keep no 8.3 names: the short form of an existing path is the path itself.
uint32_t getShortPathName(const char* path, char* out, uint32_t size) {
    std::string hostPath = posix::toHostPath(path);
    struct stat info;
    if (hostPath.empty() || ::stat(hostPath.c_str(), &info) != 0) return 0;
    size_t length = std::strlen(path);
    if (length + 1 > size) return 0;
    std::memcpy(out, path, length + 1);
    return uint32_t(length);
}

}  // namespace tamrix::platform
