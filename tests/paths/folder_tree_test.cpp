#include "paths/folder_tree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/scoped_state.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using test::fileExists;
using test::TempFolder;

TEST(FolderTree, CreatesEveryMissingLevelOfADrivePath) {
    TempFolder temp;
    EXPECT_EQ(createFolderTree(temp.windows("a\\b\\c").c_str()), 1);
    EXPECT_TRUE(fileExists(temp.host("a/b/c")));
    EXPECT_EQ(createFolderTree(temp.windows("a\\b\\d\\").c_str()), 1);
    EXPECT_TRUE(fileExists(temp.host("a/b/d")));
    // Everything already there.
    EXPECT_EQ(createFolderTree(temp.windows("a\\b\\").c_str()), 1);
}

TEST(FolderTree, NetworkFormStartsBelowTheShare) {
    TempFolder temp;
    // Here \\tmp\tamrix-test-x is server "tmp" and share "tamrix-test-x" of the POSIX root.
    std::string share = "\\\\" + temp.windows().substr(3);
    EXPECT_EQ(createFolderTree((share + "\\a\\b\\").c_str()), 1);
    EXPECT_TRUE(fileExists(temp.host("a/b")));
}

TEST(FolderTree, RefusesPathsWithoutAnAbsoluteRoot) {
    TempFolder temp;
    char previous[4096];
    ASSERT_TRUE(::getcwd(previous, sizeof previous));
    ASSERT_EQ(::chdir(temp.path().c_str()), 0);
    EXPECT_EQ(createFolderTree("sub\\dir"), 0);
    EXPECT_EQ(createFolderTree("\\sub\\dir"), 0);
    EXPECT_EQ(createFolderTree("Z:sub\\dir"), 0);
    EXPECT_EQ(createFolderTree("Z:"), 0);
    EXPECT_EQ(createFolderTree(""), 0);
    EXPECT_FALSE(fileExists(temp.host("sub")));
    ASSERT_EQ(::chdir(previous), 0);
    // A share name that no backslash follows, a server without a share.
    EXPECT_EQ(createFolderTree("\\\\server\\share"), 0);
    EXPECT_EQ(createFolderTree("\\\\serverlongname"), 0);
    // A drive with no counterpart here cannot be reached.
    EXPECT_EQ(createFolderTree("C:\\tamrix-test-never\\x\\"), 0);
}

TEST(FolderTree, AFileInTheWayFails) {
    TempFolder temp;
    test::writeFile(temp.host("a"), {1});
    EXPECT_EQ(createFolderTree(temp.windows("a\\b").c_str()), 0);
    EXPECT_FALSE(fileExists(temp.host("a/b")));
}

TEST(FolderTree, DoubleByteNamesWithTrailBackslashes) {
    test::ScopedCodePage page(932);
    TempFolder temp;
    // 表 (0x95 0x5C) and ソ (0x83 0x5C): two folders, not four.
    std::string path = temp.windows() + "\\\x95\x5C\\\x83\x5C";
    EXPECT_EQ(createFolderTree(path.c_str()), 1);
    EXPECT_TRUE(fileExists(temp.host("表/ソ")));
    EXPECT_FALSE(fileExists(temp.host("\x95")));
}

TEST(FolderTree, APathLongerThanAPathBufferFails) {
    TempFolder temp;
    std::string path = temp.windows() + "\\" + std::string(120, 'a') + "\\" +
                       std::string(120, 'b') + "\\" + std::string(40, 'c');
    ASSERT_GT(path.size(), 259u);
    EXPECT_EQ(createFolderTree(path.c_str()), 0);
    EXPECT_FALSE(fileExists(temp.host(std::string(120, 'a') + "/" + std::string(120, 'b') + "/" +
                                      std::string(40, 'c'))));
}

}  // namespace
}  // namespace tamrix
