#include "paths/created_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "paths/folder_tree.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using test::fileExists;

class CreatedFolders : public ::testing::Test {
  protected:
    void SetUp() override { forgetCreatedFolders(); }
    void TearDown() override { forgetCreatedFolders(); }

    mode_t modeOf(const std::string& relative) const {
        struct stat info = {};
        ::stat(temp.host(relative).c_str(), &info);
        return info.st_mode & 07777;
    }

    test::TempFolder temp;
};

// The folders the tree creation made go again once empty, innermost first; what was there before
// stays, attributes included.
TEST_F(CreatedFolders, OnlyWhatThisRunCreatedGoes) {
    ::mkdir(temp.host("mine").c_str(), 0755);
    ::mkdir(temp.host("mine/ro").c_str(), 0555);
    ::mkdir(temp.host("mine/empty").c_str(), 0755);
    ASSERT_EQ(createFolderTree(temp.windows("mine\\new\\deep\\er").c_str()), 1);
    ASSERT_EQ(createFolderTree(temp.windows("mine\\other").c_str()), 1);
    ASSERT_EQ(createFolderTree(temp.windows("mine\\new\\side").c_str()), 1);
    removeCreatedFolders();
    EXPECT_FALSE(fileExists(temp.host("mine/new")));
    EXPECT_FALSE(fileExists(temp.host("mine/other")));
    EXPECT_TRUE(fileExists(temp.host("mine/empty")));
    EXPECT_EQ(0555u, modeOf("mine/ro"));
    EXPECT_EQ(0755u, modeOf("mine"));
}

TEST_F(CreatedFolders, AFolderStillHoldingAFileStaysWithEveryFolderAbove) {
    ASSERT_EQ(createFolderTree(temp.windows("a\\b\\c").c_str()), 1);
    ASSERT_EQ(createFolderTree(temp.windows("a\\d").c_str()), 1);
    test::writeFile(temp.host("a/b/left.txt"), {1});
    removeCreatedFolders();
    EXPECT_TRUE(fileExists(temp.host("a/b/left.txt")));
    EXPECT_FALSE(fileExists(temp.host("a/b/c")));
    EXPECT_FALSE(fileExists(temp.host("a/d")));
}

TEST_F(CreatedFolders, ForgottenFoldersStay) {
    ASSERT_EQ(createFolderTree(temp.windows("kept").c_str()), 1);
    forgetCreatedFolders();
    removeCreatedFolders();
    EXPECT_TRUE(fileExists(temp.host("kept")));
}

}  // namespace
}  // namespace tamrix
