#include "tools/destination_links.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/posix/host_paths.h"
#include "state/run_state.h"

namespace tamrix::tool {

bool noLinkBelowDestination(const std::string& hostPath) {
    std::string destination = platform::posix::toHostPath(runState.settings.destination);
    while (destination.size() > 1 && destination.back() == '/') destination.pop_back();
    if (destination.empty() || hostPath.size() <= destination.size() + 1 ||
        hostPath.compare(0, destination.size(), destination) != 0 ||
        hostPath[destination.size()] != '/') {
        return true;
    }
    // Each part below the destination, the last one included.
    for (size_t end = hostPath.find('/', destination.size() + 1);;
         end = hostPath.find('/', end + 1)) {
        const std::string part = hostPath.substr(0, end);
        struct stat info;
        if (::lstat(part.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            std::fprintf(stderr,
                         "tamrix run: '%s' in the destination is a symbolic link; '%s' is not "
                         "written through it\n",
                         part.substr(destination.size() + 1).c_str(),
                         hostPath.substr(destination.size() + 1).c_str());
            return false;
        }
        if (end == std::string::npos) return true;
    }
}

}  // namespace tamrix::tool
