// The size and date lines of the file-replace dialog.
#pragma once

#include <cstdint>

namespace tamrix {

constexpr int kFileDetailsSize = 128;

// Writes the details template for a DOS stamp (date in the high half, time in the low half) into
// out (128 bytes), still holding one "%s" for the size, in the arrangement of the loaded string
// 9: English when it contains "Byte", Japanese otherwise. Returns its length, 0 on failure.
int formatFileDetails(uint32_t stamp, char* out);

// The decimal digits of n grouped by commas (1234567 -> "1,234,567"), in a static buffer.
const char* groupThousands(uint32_t n);

// 0 Sunday, 1 Monday, ... 6 Saturday.
int weekdayOf(int year, int month, int day);

// The weekday names in code page 932, Sunday first.
extern const char kJapaneseWeekdays[7][2];

}  // namespace tamrix
