#include "platform/system_folders.h"

#include <windows.h>

namespace tamrix::platform {

namespace {

// The calls return the size needed (more than size) when the buffer is too small.
uint32_t delivered(UINT length, char* out, uint32_t size) {
    if (length == 0 || length >= size) {
        if (size) out[0] = 0;
        return 0;
    }
    return length;
}

}  // namespace

uint32_t windowsDirectory(char* out, uint32_t size) {
    return delivered(GetWindowsDirectoryA(out, size), out, size);
}

uint32_t systemDirectory(char* out, uint32_t size) {
    return delivered(GetSystemDirectoryA(out, size), out, size);
}

uint32_t tempPath(char* out, uint32_t size) {
    return delivered(GetTempPathA(size, out), out, size);
}

}  // namespace tamrix::platform
