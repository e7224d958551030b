// Low-level file I/O in the runtime library's shape (_open, _read, _write, _lseek, _close, ...).
// Handles are small non-negative integers; -1 is a failed open. Paths are ANSI Windows paths.
#pragma once

#include <cstdint>

namespace tamrix::platform {

// Open flags with the runtime library's numeric values.
constexpr int32_t kOpenReadOnly = 0x0000;
constexpr int32_t kOpenWriteOnly = 0x0001;
constexpr int32_t kOpenReadWrite = 0x0002;
constexpr int32_t kOpenAppend = 0x0008;
constexpr int32_t kOpenSequential = 0x0020;
constexpr int32_t kOpenCreate = 0x0100;
constexpr int32_t kOpenTruncate = 0x0200;
constexpr int32_t kOpenExclusive = 0x0400;
constexpr int32_t kOpenText = 0x4000;
constexpr int32_t kOpenBinary = 0x8000;
// Permission modes for a created file.
constexpr int32_t kModeRead = 0x0100;
constexpr int32_t kModeWrite = 0x0080;

int32_t fileOpen(const char* path, int32_t flags, int32_t mode);
int32_t fileRead(int32_t handle, void* buffer, uint32_t count);
int32_t fileWrite(int32_t handle, const void* buffer, uint32_t count);
// Origins 0 (start), 1 (current), 2 (end). Returns the new position or -1.
int32_t fileSeek(int32_t handle, int32_t offset, int32_t origin);
int32_t fileClose(int32_t handle);
int32_t fileTell(int32_t handle);
int32_t fileLength(int32_t handle);

}  // namespace tamrix::platform
