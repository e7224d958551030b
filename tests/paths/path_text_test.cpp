#include "paths/path_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "paths/text_conversion.h"
#include "tests/support/scoped_state.h"

namespace tamrix {
namespace {

using test::ScopedCodePage;

// Code page 932 characters whose second byte is 0x5C (a backslash) or 0x7C (a vertical bar).
const std::string kOmote = "\x95\x5C";  // 表
const std::string kSo = "\x83\x5C";     // ソ
const std::string kPo = "\x83\x7C";     // ポ

std::string appended(std::string text, size_t size = 260) {
    char buffer[600];
    std::strcpy(buffer, text.c_str());
    appendBackslash(buffer, size);
    return buffer;
}

std::string stripped(std::string text) {
    char buffer[600];
    std::strcpy(buffer, text.c_str());
    stripBackslash(buffer);
    return buffer;
}

TEST(PathText, BackslashesOnPlainText) {
    EXPECT_EQ(appended("D:\\Out\\"), "D:\\Out\\");
    EXPECT_EQ(appended("D:\\Out"), "D:\\Out\\");
    EXPECT_EQ(appended(""), "");
    EXPECT_EQ(stripped("D:\\Out\\"), "D:\\Out");
    EXPECT_EQ(stripped("D:\\Out\\\\"), "D:\\Out\\");  // one only
    EXPECT_EQ(stripped("D:\\Out"), "D:\\Out");
    EXPECT_EQ(stripped(""), "");
}

TEST(PathText, AppendBackslashNeverWritesPastTheBuffer) {
    char buffer[8] = "D:\\abcd";  // 7 bytes and the NUL fill it
    buffer[7] = 0;
    EXPECT_FALSE(appendBackslash(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "D:\\abcd");
    char roomy[9] = "D:\\abcd";
    EXPECT_TRUE(appendBackslash(roomy, sizeof roomy));
    EXPECT_STREQ(roomy, "D:\\abcd\\");
}

TEST(PathText, TrailBytesOfCodePage932AreNotSeparators) {
    ScopedCodePage page(932);
    for (const std::string& character : {kOmote, kSo}) {
        std::string folder = "D:\\" + character;
        EXPECT_TRUE(endsInTrailByte(folder.c_str(), folder.size() - 1));
        EXPECT_FALSE(endsInTrailByte(folder.c_str(), folder.size() - 2));
        EXPECT_EQ(appended(folder), folder + "\\");
        EXPECT_EQ(stripped(folder), folder);
        EXPECT_EQ(stripped(folder + "\\"), folder);
    }
    // A pair walk that starts off by one would take the 0x5C of the second character for real.
    std::string twice = "D:\\" + kOmote + kSo;
    EXPECT_EQ(appended(twice), twice + "\\");
}

TEST(PathText, TheSameBytesInCodePage1252EndInABackslash) {
    ScopedCodePage page(1252);
    std::string folder = "D:\\" + kOmote;
    EXPECT_FALSE(endsInTrailByte(folder.c_str(), folder.size() - 1));
    EXPECT_EQ(appended(folder), folder);
    EXPECT_EQ(stripped(folder), "D:\\\x95");
}

TEST(PathText, TrimAndSlashes) {
    char blanks[] = "    ";
    trimTrailingBlanks(blanks);
    EXPECT_STREQ(blanks, "");
    char mixed[] = "a b \t  ";
    trimTrailingBlanks(mixed);
    EXPECT_STREQ(mixed, "a b \t");
    char slashes[] = "a/b\\c/";
    slashesToBackslashes(slashes);
    EXPECT_STREQ(slashes, "a\\b\\c\\");
}

TEST(PathText, SplitPath) {
    char folder[260], name[260];
    splitPath("D:\\Apps\\x\\setup.exe", folder, name);
    EXPECT_STREQ(folder, "D:\\Apps\\x\\");
    EXPECT_STREQ(name, "setup.exe");
    splitPath("setup.exe", folder, name);
    EXPECT_STREQ(folder, "");
    EXPECT_STREQ(name, "setup.exe");
    splitPath("D:/Apps/x.tar.gz", folder, name);
    EXPECT_STREQ(folder, "D:/Apps/");
    EXPECT_STREQ(name, "x.tar.gz");
    splitPath("C:setup.exe", folder, name);
    EXPECT_STREQ(folder, "C:");
    EXPECT_STREQ(name, "setup.exe");
    splitPath("D:\\Apps\\", folder, nullptr);
    EXPECT_STREQ(folder, "D:\\Apps\\");
    splitPath(nullptr, folder, name);
    EXPECT_STREQ(folder, "");
    EXPECT_STREQ(name, "");
    // An output too small for its part is left empty rather than cut.
    char small[4] = "xyz";
    splitPath("D:\\Apps\\setup.exe", small, name, sizeof small);
    EXPECT_STREQ(small, "");
    EXPECT_STREQ(name, "setup.exe");
}

TEST(PathText, SplitPathOnCodePage932) {
    ScopedCodePage page(932);
    char folder[260], name[260];
    std::string path = "D:\\" + kSo + "\\" + kOmote + ".txt";
    splitPath(path.c_str(), folder, name);
    EXPECT_EQ(std::string(folder), "D:\\" + kSo + "\\");
    EXPECT_EQ(std::string(name), kOmote + ".txt");
}

TEST(TextConversion, RoundTripsOnCodePage932) {
    ScopedCodePage page(932);
    std::string text = "D:\\" + kOmote + kSo + kPo + "\\a";
    const char16_t* wide = toWide(text.c_str());
    EXPECT_EQ(std::u16string(wide), u"D:\\表ソポ\\a");
    EXPECT_EQ(std::string(toNarrow(wide)), text);
    // Bytes that do not decode come back as they were.
    std::string broken = "a\x80\xFD" + std::string("\x81");
    EXPECT_EQ(std::string(toNarrow(toWide(broken.c_str()))), broken);
    // What the code page cannot hold becomes '?'.
    EXPECT_STREQ(toNarrow(u"a\u00e9\U0001F600b"), "a??b");
}

TEST(TextConversion, TooLongForTheBufferGivesAnEmptyText) {
    std::u16string wide(300, u'x');
    EXPECT_STREQ(toNarrow(wide.c_str()), "");
    std::string narrow(600, 'x');
    EXPECT_EQ(toWide(narrow.c_str())[0], 0);
    EXPECT_EQ(std::u16string(toWide(std::string(259, 'y').c_str())).size(), 259u);
}

}  // namespace
}  // namespace tamrix
