#include "ui/archive_folder_box.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/scoped_state.h"

namespace tamrix {
namespace {

std::string click(const std::string& text, const char* archive, bool ticked) {
    char destination[260];
    std::strcpy(destination, text.c_str());
    EXPECT_TRUE(applyArchiveFolderBox(destination, archive, ticked));
    return destination;
}

TEST(ArchiveFolderBox, TickAndClear) {
    EXPECT_EQ(click("D:\\Out\\", "Setup1", true), "D:\\Out\\Setup1\\");
    EXPECT_EQ(click("D:\\Out", "Setup1", true), "D:\\Out\\Setup1\\");
    EXPECT_EQ(click("D:\\Out\\Setup1\\", "Setup1", false), "D:\\Out\\");
    EXPECT_EQ(click("", "Setup1", true), "Setup1\\");
}

TEST(ArchiveFolderBox, ClearingCutsAtTheFirstOccurrenceWithNoBackslashAfterIt) {
    EXPECT_EQ(click("D:\\Setup1\\Work", "Setup1", false), "D:\\Setup1\\Work\\");
    EXPECT_EQ(click("D:\\Data\\", "a", false), "D:\\D\\");
    EXPECT_EQ(click("D:\\Out\\", "Setup1", false), "D:\\Out\\");
    EXPECT_EQ(click("D:\\Out\\", "", false), "D:\\Out\\");
}

TEST(ArchiveFolderBox, TickingBeyondTheBufferIsRefused) {
    char destination[260];
    std::string text = "D:\\" + std::string(249, 'x');  // 252 bytes
    std::strcpy(destination, text.c_str());
    EXPECT_FALSE(applyArchiveFolderBox(destination, "Setup1", true));  // would need 260 with NUL
    EXPECT_EQ(std::string(destination), text);
    std::strcpy(destination, text.c_str());
    EXPECT_TRUE(applyArchiveFolderBox(destination, "Setup", true));
    EXPECT_EQ(std::strlen(destination), 259u);
    // Clearing a full text never grows it past the buffer.
    std::string full(259, 'y');
    std::strcpy(destination, full.c_str());
    EXPECT_TRUE(applyArchiveFolderBox(destination, "Setup", false));
    EXPECT_EQ(std::string(destination), full);
}

TEST(ArchiveFolderBox, DoubleByteNames) {
    test::ScopedCodePage page(932);
    // An archive named 表 ends in a 0x5C trail byte: still a backslash after it.
    EXPECT_EQ(click("D:\\Out", "\x95\x5C", true), "D:\\Out\\\x95\x5C\\");
    EXPECT_EQ(click("D:\\Out\\\x95\x5C\\", "\x95\x5C", false), "D:\\Out\\");
    EXPECT_EQ(click("D:\\\x83\x5C", "Setup1", true), "D:\\\x83\x5C\\Setup1\\");
}

}  // namespace
}  // namespace tamrix
