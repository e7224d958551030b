// File times as the cabinet stores them: MS-DOS date and time words in local time.
#pragma once

#include <cstdint>

namespace tamrix::platform {

// The last-write time (as a local DOS stamp, date in the high half) and size of an existing file;
// false when it cannot be opened for reading.
bool readFileStampAndSize(const char* path, uint32_t* dosStamp, uint32_t* size);

// Sets creation and last-write time from a local DOS date and time; failures are ignored.
void setFileDosTime(const char* path, uint16_t date, uint16_t time);

}  // namespace tamrix::platform
