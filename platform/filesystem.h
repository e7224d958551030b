// Files and folders by name: attributes, creation, deletion and the executable search.
#pragma once

#include <cstdint>

namespace tamrix::platform {

constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;

// kInvalidAttributes when the path cannot be examined.
uint32_t getFileAttributes(const char* path);
bool setFileAttributes(const char* path, uint32_t attributes);
bool deleteFile(const char* path);
bool createDirectory(const char* path);
bool removeDirectory(const char* path);

// Looks for a file the way the system's default search path does. Returns the length of the full
// path written to out (with its NUL, out holds at most size bytes), or 0 when not found.
uint32_t searchPath(const char* name, char* out, uint32_t size);

// The full path of a file named by a relative or bare path, resolved against the current folder.
// Returns its length (out holds at most size bytes with the NUL), or 0 when it does not fit.
uint32_t fullPathName(const char* path, char* out, uint32_t size);

// The short (8.3) form of an existing path. Returns its length (out holds at most size bytes with
// the NUL), or 0 on failure, including a form that does not fit.
uint32_t getShortPathName(const char* path, char* out, uint32_t size);

}  // namespace tamrix::platform
