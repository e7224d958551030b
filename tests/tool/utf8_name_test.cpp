// The front-end's conversion of entry names that carry the UTF-8 name attribute.
#include "extract/utf8_name.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/codepage.h"

namespace tamrix {
namespace {

std::string converted(const char* utf8, bool* ok) {
    char name[257] = {};
    std::strncpy(name, utf8, 256);
    *ok = utf8NameToAnsi(name, sizeof name);
    return name;
}

TEST(Utf8Name, ConvertsWhatTheCodePageHoldsAndRefusesTheRest) {
    bool ok = false;
    platform::posix::setAnsiCodePage(1252);
    EXPECT_EQ("dir\\caf\xE9.txt", converted("dir\\caf\xC3\xA9.txt", &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ("\x80", converted("\xE2\x82\xAC", &ok));  // the euro sign has a place in 1252
    EXPECT_TRUE(ok);
    converted("\xE6\x97\xA5.txt", &ok);  // no Japanese in 1252
    EXPECT_FALSE(ok);
    converted("\xF0\x9F\x98\x80", &ok);  // beyond the BMP: a surrogate pair, no place either
    EXPECT_FALSE(ok);
    // Malformed UTF-8: overlong, a surrogate, a cut sequence, a stray continuation byte.
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "ab\xE6\x97", "\x80x"}) {
        converted(bad, &ok);
        EXPECT_FALSE(ok) << bad;
    }

    platform::posix::setAnsiCodePage(932);
    EXPECT_EQ("\x93\xFA\\a.txt", converted("\xE6\x97\xA5\\a.txt", &ok));
    EXPECT_TRUE(ok);
    platform::posix::setAnsiCodePage(1252);
}

}  // namespace
}  // namespace tamrix
