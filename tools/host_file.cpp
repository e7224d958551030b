#include "tools/host_file.h"

#include <climits>
#include <cstdlib>

#include "platform/posix/host_paths.h"

namespace tamrix::tool {

std::string windowsPathOf(const char* hostPath) {
    char resolved[PATH_MAX];
    if (!::realpath(hostPath, resolved)) return {};
    return platform::posix::toWindowsPath(resolved);
}

}  // namespace tamrix::tool
