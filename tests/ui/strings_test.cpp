#include "resources/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/posix/codepage.h"
#include "tests/support/scoped_state.h"

namespace tamrix {
namespace {

std::string load(uint32_t id, int size = 256) {
    char buffer[256];
    int length = loadString(id, buffer, size);
    EXPECT_EQ(length, int(std::strlen(buffer)));
    return buffer;
}

TEST(Strings, EnglishIsTheDefaultAndTextsAreExact) {
    EXPECT_EQ(load(kStringCannotOpenArchive), "Cannot open arhive.");
    EXPECT_EQ(load(kStringInvalidFileName), "%s\n\ninvalid filename.(skipped)");
    EXPECT_EQ(load(kStringFileDetails), "%%s Bytes\nModified: %02d, %02d, %04d,  %02d:%02d:%02d");
    EXPECT_EQ(load(0), "");
    EXPECT_EQ(load(kLastStringId + 1), "");
}

TEST(Strings, JapaneseInCodePage932) {
    test::ScopedCodePage page(932);
    test::ScopedLanguage language(Language::Japanese);
    EXPECT_EQ(load(kStringCannotOpenArchive),
              "\x8F\x91\x8C\xC9\x82\xF0\x8A\x4A\x82\xAF\x82\xDC"
              "\x82\xB9\x82\xF1\x81\x42");  // 書庫を開けません。
    // Every Japanese text has a code page 932 form; none of its characters is lost.
    for (uint32_t id = 1; id <= kLastStringId; ++id) {
        std::string text = load(id);
        char16_t wide[512];
        int units = platform::multiByteToWide(text.c_str(), -1, wide, 512);
        ASSERT_GT(units, 1) << id;
        std::u16string back(wide, size_t(units - 1));
        std::string source = stringTableText(Language::Japanese, id);
        EXPECT_EQ(std::count(back.begin(), back.end(), u'?'),
                  std::count(source.begin(), source.end(), '?'))
            << id;
        EXPECT_EQ(back.find(u'\uF700' + 0x80), std::u16string::npos) << id;
    }
    EXPECT_EQ(load(kStringFileDetails).find("Byte"), std::string::npos);
}

TEST(Strings, CutsBetweenCharacters) {
    EXPECT_EQ(load(kStringCannotOpenArchive, 7), "Cannot");
    test::ScopedCodePage page(932);
    test::ScopedLanguage language(Language::Japanese);
    EXPECT_EQ(load(kStringCannotOpenArchive, 4), "\x8F\x91");  // one character, not one and a half
    EXPECT_EQ(load(kStringCannotOpenArchive, 1), "");
}

TEST(Strings, JapaneseOnASingleBytePageLooksAsOnTheSystem) {
    test::ScopedLanguage language(Language::Japanese);
    EXPECT_EQ(load(kStringCannotOpenArchive), "?????????");
}

TEST(Strings, TheTableHoldsBothLanguagesForEveryId) {
    for (uint32_t id = 1; id <= kLastStringId; ++id) {
        ASSERT_NE(stringTableText(Language::English, id), nullptr);
        ASSERT_NE(stringTableText(Language::Japanese, id), nullptr);
    }
    EXPECT_STREQ(stringTableText(Language::English, 8), "CRC check error!");
    EXPECT_NE(std::strstr(stringTableText(Language::English, 9), "Byte"), nullptr);
}

}  // namespace
}  // namespace tamrix
