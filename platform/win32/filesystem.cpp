#include "platform/filesystem.h"

#include <windows.h>

namespace tamrix::platform {

uint32_t getFileAttributes(const char* path) {
    return GetFileAttributesA(path);
}
bool setFileAttributes(const char* path, uint32_t attributes) {
    return SetFileAttributesA(path, attributes) != 0;
}
bool deleteFile(const char* path) {
    return DeleteFileA(path) != 0;
}
bool createDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0;
}
bool removeDirectory(const char* path) {
    return RemoveDirectoryA(path) != 0;
}

uint32_t searchPath(const char* name, char* out, uint32_t size) {
    char* filePart = nullptr;
    DWORD length = SearchPathA(nullptr, name, nullptr, size, out, &filePart);
    return length < size ? length : 0;
}

uint32_t fullPathName(const char* path, char* out, uint32_t size) {
    DWORD length = GetFullPathNameA(path, size, out, nullptr);
    return length < size ? length : 0;
}

}  // namespace tamrix::platform
