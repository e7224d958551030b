#include "platform/folder_listing.h"

#include <windows.h>

#include <cstring>

namespace tamrix::platform {

namespace {

void deliver(const WIN32_FIND_DATAA& found, FindData* data) {
    static_assert(sizeof data->name == sizeof found.cFileName);
    data->attributes = found.dwFileAttributes;
    std::memcpy(data->name, found.cFileName, sizeof data->name);
    data->name[sizeof data->name - 1] = 0;
}

}  // namespace

FindHandle findFirstFile(const char* pattern, FindData* data) {
    WIN32_FIND_DATAA found;
    HANDLE handle = FindFirstFileA(pattern, &found);
    if (handle == INVALID_HANDLE_VALUE) return kInvalidFindHandle;
    deliver(found, data);
    return handle;
}

bool findNextFile(FindHandle handle, FindData* data) {
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(static_cast<HANDLE>(handle), &found)) return false;
    deliver(found, data);
    return true;
}

void findClose(FindHandle handle) {
    FindClose(static_cast<HANDLE>(handle));
}

}  // namespace tamrix::platform
