#include "ui/file_details.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/posix/codepage.h"
#include "tests/support/scoped_state.h"

namespace tamrix {
namespace {

constexpr uint32_t stampOf(uint32_t year, uint32_t month, uint32_t day, uint32_t hour,
                           uint32_t minute, uint32_t second) {
    return ((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) | (minute << 5) |
           (second / 2);
}

std::string details(uint32_t stamp) {
    char out[kFileDetailsSize];
    int length = formatFileDetails(stamp, out);
    EXPECT_EQ(length, int(std::string(out).size()));
    return out;
}

TEST(FileDetails, GroupThousands) {
    EXPECT_STREQ(groupThousands(0), "0");
    EXPECT_STREQ(groupThousands(999), "999");
    EXPECT_STREQ(groupThousands(1000), "1,000");
    EXPECT_STREQ(groupThousands(999999), "999,999");
    EXPECT_STREQ(groupThousands(1234567), "1,234,567");
    EXPECT_STREQ(groupThousands(4294967295u), "4,294,967,295");
}

TEST(FileDetails, WeekdaysAroundTheYearsTurn) {
    EXPECT_EQ(weekdayOf(2004, 11, 1), 1);  // Monday
    EXPECT_EQ(weekdayOf(2005, 1, 1), 6);   // Saturday
    EXPECT_EQ(weekdayOf(2004, 2, 29), 0);  // Sunday
    EXPECT_EQ(weekdayOf(2004, 3, 1), 1);
    EXPECT_EQ(weekdayOf(2000, 1, 1), 6);
    EXPECT_EQ(weekdayOf(1980, 1, 1), 2);
}

TEST(FileDetails, EnglishArrangement) {
    uint32_t stamp = (0x3161u << 16) | 0x53C0u;
    EXPECT_EQ(stamp, stampOf(2004, 11, 1, 10, 30, 0));
    std::string text = details(stamp);
    EXPECT_EQ(text, "%s Bytes\nModified: 11, 01, 2004,  10:30:00");
    char full[256];
    std::snprintf(full, sizeof full, text.c_str(), groupThousands(1234));
    EXPECT_STREQ(full, "1,234 Bytes\nModified: 11, 01, 2004,  10:30:00");
    // Seconds are stored in two-second units: only even ones can be shown.
    EXPECT_EQ(details(stampOf(2004, 11, 1, 10, 30, 59)),
              "%s Bytes\nModified: 11, 01, 2004,  10:30:58");
}

TEST(FileDetails, JapaneseArrangementWithItsWeekday) {
    test::ScopedCodePage page(932);
    test::ScopedLanguage language(Language::Japanese);
    auto ansi = [](const char* utf8) { return platform::posix::utf8ToAnsiText(utf8); };
    EXPECT_EQ(details(stampOf(2004, 11, 1, 10, 30, 0)),
              ansi("%s バイト\n2004年11月01日 月曜日、10:30:00"));
    EXPECT_EQ(details(stampOf(2005, 1, 1, 0, 0, 0)),
              ansi("%s バイト\n2005年01月01日 土曜日、00:00:00"));
    EXPECT_EQ(details(stampOf(2004, 2, 29, 23, 59, 58)),
              ansi("%s バイト\n2004年02月29日 日曜日、23:59:58"));
}

TEST(FileDetails, WeekdayTableMatchesCodePage932) {
    test::ScopedCodePage page(932);
    const char* names[] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(std::string(kJapaneseWeekdays[i], 2), platform::posix::utf8ToAnsiText(names[i]));
    }
}

}  // namespace
}  // namespace tamrix
