#include "paths/created_folders.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/filesystem.h"

namespace tamrix {

namespace {

// NUL-terminated paths back to back, in the order of creation.
struct CreatedFolders {
    char* paths;
    uint32_t used;
    uint32_t capacity;
};

CreatedFolders created = {nullptr, 0, 0};

}  // namespace

void recordCreatedFolder(const char* path) {
    uint32_t length = uint32_t(std::strlen(path)) + 1;
    if (created.used + length > created.capacity) {
        uint32_t grown = created.capacity ? created.capacity * 2 : 1024;
        while (grown < created.used + length) grown *= 2;
        char* bigger = static_cast<char*>(std::realloc(created.paths, grown));
        if (!bigger) return;
        created.paths = bigger;
        created.capacity = grown;
    }
    std::memcpy(created.paths + created.used, path, length);
    created.used += length;
}

void removeCreatedFolders() {
    // From the last path back: a folder is always recorded after the folder that holds it.
    uint32_t end = created.used;
    while (end > 0) {
        uint32_t start = end - 1;
        while (start > 0 && created.paths[start - 1]) --start;
        const char* folder = created.paths + start;
        // Only an empty folder can go; a read-only one of ours would refuse.
        if (!platform::removeDirectory(folder)) {
            platform::setFileAttributes(folder, platform::kAttrArchive);
            platform::removeDirectory(folder);
        }
        end = start;
    }
}

void forgetCreatedFolders() {
    std::free(created.paths);
    created = {nullptr, 0, 0};
}

}  // namespace tamrix
