#include "platform/file_times.h"

#include <windows.h>

namespace tamrix::platform {

bool readFileStampAndSize(const char* path, uint32_t* dosStamp, uint32_t* size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME written = {};
    GetFileTime(file, nullptr, nullptr, &written);
    *size = GetFileSize(file, nullptr);
    CloseHandle(file);
    FILETIME local;
    WORD date = 0;
    WORD time = 0;
    FileTimeToLocalFileTime(&written, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    *dosStamp = uint32_t(date) << 16 | time;
    return true;
}

void setFileDosTime(const char* path, uint16_t date, uint16_t time) {
    FILETIME local;
    FILETIME utc;
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return;
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFileTime(file, &utc, nullptr, &utc);
    CloseHandle(file);
}

}  // namespace tamrix::platform
