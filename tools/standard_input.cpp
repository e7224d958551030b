#include "tools/standard_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tamrix::tool {

namespace {

std::string descriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

bool copyAll(int from, int to, std::string* error) {
    char buffer[65536];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *error = std::string("cannot read standard input: ") + std::strerror(errno);
            return false;
        }
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(to, buffer + done, size_t(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                *error = std::string("cannot keep standard input: ") + std::strerror(errno);
                return false;
            }
            done += put;
        }
    }
}

}  // namespace

bool cabinetPathOf(const std::string& argument, std::string* path, std::string* error) {
    if (argument != "-") {
        *path = argument;
        return true;
    }
    struct stat info;
    if (fstat(0, &info) == 0 && S_ISREG(info.st_mode)) {
        *path = descriptorPath(0);  // a file redirected in: read in place
        return true;
    }
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/tamrix-stdin-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        *error = "cannot make a temporary file for standard input in '" +
                 pattern.substr(0, pattern.rfind('/')) + "': " + std::strerror(errno);
        return false;
    }
    unlink(pattern.c_str());
    if (!copyAll(0, fd, error)) {
        close(fd);
        return false;
    }
    // The descriptor stays open for the rest of the run: it is the file's only name.
    *path = descriptorPath(fd);
    return true;
}

}  // namespace tamrix::tool
