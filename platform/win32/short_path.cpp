#include <windows.h>

#include "platform/filesystem.h"

namespace tamrix::platform {

uint32_t getShortPathName(const char* path, char* out, uint32_t size) {
    // A result of size or more is the length needed, not a path written.
    DWORD length = GetShortPathNameA(path, out, size);
    return length < size ? length : 0;
}

}  // namespace tamrix::platform
