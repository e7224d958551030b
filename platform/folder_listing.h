// Listing a folder's entries with their attributes (FindFirstFileA, FindNextFileA, FindClose).
#pragma once

#include <cstdint>

namespace tamrix::platform {

struct FindData {
    uint32_t attributes;  // kAttr* of platform/filesystem.h
    char name[260];       // ANSI, no folder part
};

using FindHandle = void*;
constexpr FindHandle kInvalidFindHandle = nullptr;

// pattern: a folder path followed by "\*.*" (or "\*"), or the path of one entry. Returns
// kInvalidFindHandle when nothing can be listed; otherwise data holds the first entry. As on the
// system, a folder's listing includes its "." and ".." entries. On Linux an entry whose ANSI name
// would not fit in name is left out (a Windows name never is that long).
FindHandle findFirstFile(const char* pattern, FindData* data);
bool findNextFile(FindHandle handle, FindData* data);
void findClose(FindHandle handle);

}  // namespace tamrix::platform
