#include "ui/file_details.h"

#include <cstdio>
#include <cstring>

#include "resources/strings.h"

namespace tamrix {

namespace {

char groupedBuffer[32];

}  // namespace

// 日 月 火 水 木 金 土
const char kJapaneseWeekdays[7][2] = {
    {'\x93', '\xFA'}, {'\x8C', '\x8E'}, {'\x89', '\xCE'}, {'\x90', '\x85'},
    {'\x96', '\xD8'}, {'\x8B', '\xE0'}, {'\x93', '\x79'},
};

int weekdayOf(int year, int month, int day) {
    // January and February count as months 13 and 14 of the year before.
    int y = year, m = month;
    if (m == 1 || m == 2) {
        m += 12;
        y -= 1;
    }
    return (day + (13 * m + 8) / 5 + y + y / 4 - y / 100 + y / 400) % 7;
}

int formatFileDetails(uint32_t stamp, char* out) {
    out[0] = 0;
    char format[kFileDetailsSize];
    if (!loadString(kStringFileDetails, format, sizeof format)) return 0;
    bool english = std::strstr(format, "Byte") != nullptr;

    int year = int(stamp >> 25) + 1980;
    int month = int((stamp >> 21) & 0x0F);
    int day = int((stamp >> 16) & 0x1F);
    int hour = int((stamp >> 11) & 0x1F);
    int minute = int((stamp >> 5) & 0x3F);
    int second = int(stamp & 0x1F) * 2;

    int length =
        english
            ? std::snprintf(out, kFileDetailsSize, format, month, day, year, hour, minute, second)
            : std::snprintf(out, kFileDetailsSize, format, year, month, day, hour, minute, second);
    if (length < 0) {
        out[0] = 0;
        return 0;
    }
    // A text that does not fit is cut at the buffer's size.
    length = int(std::strlen(out));
    if (!english && length) {
        char* mark = std::strchr(out, '?');
        if (mark && mark[1]) {
            const char* name = kJapaneseWeekdays[weekdayOf(year, month, day)];
            mark[0] = name[0];
            mark[1] = name[1];
        }
    }
    return length;
}

const char* groupThousands(uint32_t n) {
    char digits[16];
    int count = std::snprintf(digits, sizeof digits, "%u", n);
    int total = count + (count - 1) / 3;
    if (total >= int(sizeof groupedBuffer)) return nullptr;
    char* cursor = groupedBuffer + total;
    *cursor = 0;
    for (int fromRight = 0; fromRight < count; ++fromRight) {
        if (fromRight && fromRight % 3 == 0) *--cursor = ',';
        *--cursor = digits[count - 1 - fromRight];
    }
    return groupedBuffer;
}

}  // namespace tamrix
