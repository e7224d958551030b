#include "paths/created_folders.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/filesystem.h"
#include "state/run_state.h"

namespace tamrix {

void recordCreatedFolder(const char* path) {
    uint32_t length = uint32_t(std::strlen(path)) + 1;
    if (runState.created.used + length > runState.created.capacity) {
        uint32_t grown = runState.created.capacity ? runState.created.capacity * 2 : 1024;
        while (grown < runState.created.used + length) grown *= 2;
        char* bigger = static_cast<char*>(std::realloc(runState.created.paths, grown));
        if (!bigger) return;
        runState.created.paths = bigger;
        runState.created.capacity = grown;
    }
    std::memcpy(runState.created.paths + runState.created.used, path, length);
    runState.created.used += length;
}

void removeCreatedFolders() {
    // From the last path back: a folder is always recorded after the folder that holds it.
    uint32_t end = runState.created.used;
    while (end > 0) {
        uint32_t start = end - 1;
        while (start > 0 && runState.created.paths[start - 1]) --start;
        const char* folder = runState.created.paths + start;
        // Only an empty folder can go; a read-only one of ours would refuse.
        if (!platform::removeDirectory(folder)) {
            platform::setFileAttributes(folder, platform::kAttrArchive);
            platform::removeDirectory(folder);
        }
        end = start;
    }
}

void forgetCreatedFolders() {
    std::free(runState.created.paths);
    runState.created = {nullptr, 0, 0};
}

}  // namespace tamrix
