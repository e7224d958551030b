#include "platform/file_times.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "platform/posix/host_paths.h"

namespace tamrix::platform {

bool readFileStampAndSize(const char* path, uint32_t* dosStamp, uint32_t* size) {
    std::string hostPath = posix::toHostPath(path);
    struct stat info;
    if (hostPath.empty() || ::stat(hostPath.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return false;
    }
    if (::access(hostPath.c_str(), R_OK) != 0) return false;
    struct tm local;
    time_t seconds = info.st_mtime;
    if (!::localtime_r(&seconds, &local) || local.tm_year < 80) {
        *dosStamp = 0;
    } else {
        uint32_t date =
            uint32_t((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
        uint32_t time = uint32_t(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
        *dosStamp = date << 16 | time;
    }
    *size = uint32_t(info.st_size);
    return true;
}

namespace {

// The system's conversion refuses a stamp that names no real moment (month 0, 31 February, hour
// 24, ...): the file then keeps the time it has, where mktime would roll the fields over.
bool isValidDosStamp(uint16_t date, uint16_t time) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 1980 + (date >> 9);
    int month = (date >> 5) & 0x0F;
    int day = date & 0x1F;
    if (month < 1 || month > 12 || day < 1) return false;
    bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
    return (time >> 11) < 24 && ((time >> 5) & 0x3F) < 60 && (time & 0x1F) < 30;
}

}  // namespace

void setFileDosTime(const char* path, uint16_t date, uint16_t time) {
    std::string hostPath = posix::toHostPath(path);
    if (hostPath.empty() || !isValidDosStamp(date, time)) return;
    struct tm local = {};
    local.tm_year = (date >> 9) + 80;
    local.tm_mon = ((date >> 5) & 0x0F) - 1;
    local.tm_mday = date & 0x1F;
    local.tm_hour = time >> 11;
    local.tm_min = (time >> 5) & 0x3F;
    local.tm_sec = (time & 0x1F) * 2;
    local.tm_isdst = -1;
    time_t seconds = ::mktime(&local);
    if (seconds == time_t(-1)) return;
    struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    ::utimensat(AT_FDCWD, hostPath.c_str(), times, 0);
}

}  // namespace tamrix::platform
