#include "pack/dos_time.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace tamrix::pack {

DosDateTime toDosDateTime(time_t moment, bool utc) {
    struct tm parts {};
    bool converted =
        utc ? gmtime_r(&moment, &parts) != nullptr : localtime_r(&moment, &parts) != nullptr;
    if (!converted) parts.tm_year = moment < 0 ? 0 : 1000;
    int year = parts.tm_year + 1900;
    if (year < 1980) return {uint16_t(0 << 9 | 1 << 5 | 1), 0};
    if (year > 2107) return {uint16_t(127 << 9 | 12 << 5 | 31), uint16_t(23 << 11 | 59 << 5 | 29)};
    uint16_t date = uint16_t((year - 1980) << 9 | (parts.tm_mon + 1) << 5 | parts.tm_mday);
    uint16_t time =
        uint16_t(parts.tm_hour << 11 | parts.tm_min << 5 | std::min(parts.tm_sec, 59) / 2);
    return {date, time};
}

bool sourceDateEpoch(time_t* moment, bool* malformed) {
    *malformed = false;
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (!text) return false;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    if (!*text || *end || errno || value < 0) {
        *malformed = true;
        return false;
    }
    *moment = time_t(value);
    return true;
}

}  // namespace tamrix::pack
