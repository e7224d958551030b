// The runtime library's low-level file calls on POSIX descriptors.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/host_paths.h"
#include "platform/posix/write_guard.h"

namespace tamrix::platform {

namespace {

int hostFlags(int32_t flags) {
    int result = O_CLOEXEC;
    switch (flags & 3) {
        case kOpenWriteOnly:
            result |= O_WRONLY;
            break;
        case kOpenReadWrite:
            result |= O_RDWR;
            break;
        default:
            result |= O_RDONLY;
            break;
    }
    if (flags & kOpenAppend) result |= O_APPEND;
    if (flags & kOpenCreate) result |= O_CREAT;
    if (flags & kOpenTruncate) result |= O_TRUNC;
    if (flags & kOpenExclusive) result |= O_EXCL;
    return result;
}

// A file created without write permission in the mode is read-only, as on Windows.
mode_t hostMode(int32_t mode) {
    return (mode & kModeWrite) ? 0666 : 0444;
}

}  // namespace

int32_t fileOpen(const char* path, int32_t flags, int32_t mode) {
    std::string hostPath = posix::toHostPath(path);
    if (hostPath.empty()) return -1;
    const bool writes = (flags & 3) != kOpenReadOnly || (flags & (kOpenCreate | kOpenTruncate));
    if (writes && !posix::writeAllowed(hostPath)) return -1;
    int fd = ::open(hostPath.c_str(), hostFlags(flags), hostMode(mode));
    if (fd < 0) return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int32_t fileRead(int32_t handle, void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(handle, static_cast<char*>(buffer) + done, count - done);
        if (n < 0) return done ? int32_t(done) : -1;
        if (n == 0) break;
        done += uint32_t(n);
    }
    return int32_t(done);
}

int32_t fileWrite(int32_t handle, const void* buffer, uint32_t count) {
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(handle, static_cast<const char*>(buffer) + done, count - done);
        if (n <= 0) return done ? int32_t(done) : -1;
        done += uint32_t(n);
    }
    return int32_t(done);
}

int32_t fileSeek(int32_t handle, int32_t offset, int32_t origin) {
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    off_t position = ::lseek(handle, offset, whence);
    // Positions beyond what a 32-bit offset can express fail, as they would on the stub's system.
    if (position < 0 || position > 0x7FFFFFFF) return -1;
    return int32_t(position);
}

int32_t fileClose(int32_t handle) {
    return ::close(handle) == 0 ? 0 : -1;
}

int32_t fileTell(int32_t handle) {
    return fileSeek(handle, 0, 1);
}

int32_t fileLength(int32_t handle) {
    struct stat info;
    if (::fstat(handle, &info) != 0 || info.st_size > 0x7FFFFFFF) return -1;
    return int32_t(info.st_size);
}

}  // namespace tamrix::platform
