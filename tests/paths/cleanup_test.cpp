#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "paths/cleanup.h"
#include "tests/support/scoped_state.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using test::fileExists;

class Cleanup : public ::testing::Test {
protected:
    void makeFolders(const std::string& relative) {
        std::string path;
        size_t start = 0;
        while (start <= relative.size()) {
            size_t slash = relative.find('/', start);
            path = relative.substr(0, slash);
            ::mkdir(temp.host("out/" + path).c_str(), 0755);
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
    }
    std::string folder(const std::string& relative) const {
        return temp.windows("out") + "\\" + relative;
    }
    void SetUp() override { ::mkdir(temp.host("out").c_str(), 0755); }

    test::TempFolder temp;
    std::string root = temp.windows("out") + "\\";
};

TEST_F(Cleanup, NestedEmptyFoldersGoBottomUp) {
    makeFolders("a/b/c");
    makeFolders("a/d");
    EXPECT_EQ(removeEmptyFolders(folder("a").c_str(), root.c_str()), 1);
    EXPECT_FALSE(fileExists(temp.host("out/a")));
    EXPECT_TRUE(fileExists(temp.host("out")));
}

TEST_F(Cleanup, ALeftoverFileKeepsItsFolderAndEveryFolderAbove) {
    makeFolders("a/b/c");
    makeFolders("a/e");
    test::writeFile(temp.host("out/a/b/left.txt"), {1});
    EXPECT_EQ(removeEmptyFolders(folder("a\\").c_str(), root.c_str()), 1);
    EXPECT_TRUE(fileExists(temp.host("out/a/b/left.txt")));
    EXPECT_FALSE(fileExists(temp.host("out/a/b/c")));
    EXPECT_FALSE(fileExists(temp.host("out/a/e")));
}

TEST_F(Cleanup, HiddenAndReadOnlyEmptyFoldersGoToo) {
    makeFolders("a/.hidden");
    makeFolders("a/ro/inner");
    ::chmod(temp.host("out/a/ro/inner").c_str(), 0555);
    ::chmod(temp.host("out/a/ro").c_str(), 0555);
    ::chmod(temp.host("out/a").c_str(), 0555);
    EXPECT_EQ(removeEmptyFolders(folder("a").c_str(), root.c_str()), 1);
    EXPECT_FALSE(fileExists(temp.host("out/a")));
}

TEST_F(Cleanup, TheRootStaysInAnyOfItsForms) {
    makeFolders("a/b");
    EXPECT_EQ(removeEmptyFolders(root.c_str(), root.c_str()), 1);
    EXPECT_FALSE(fileExists(temp.host("out/a")));
    EXPECT_TRUE(fileExists(temp.host("out")));
    std::string withoutBackslash = temp.windows("out");
    EXPECT_EQ(removeEmptyFolders(withoutBackslash.c_str(), root.c_str()), 1);
    EXPECT_TRUE(fileExists(temp.host("out")));
    // Drive letters and ASCII letters compare ignoring case.
    std::string lowerDrive = "z" + root.substr(1);
    EXPECT_EQ(removeEmptyFolders(root.c_str(), lowerDrive.c_str()), 1);
    EXPECT_TRUE(fileExists(temp.host("out")));
}

TEST_F(Cleanup, NothingToDo) {
    makeFolders("a");
    EXPECT_EQ(removeEmptyFolders(folder("a\\.").c_str(), root.c_str()), 0);
    EXPECT_EQ(removeEmptyFolders(folder("a\\..").c_str(), root.c_str()), 0);
    EXPECT_TRUE(fileExists(temp.host("out/a")));
    EXPECT_EQ(removeEmptyFolders(folder("missing").c_str(), root.c_str()), 0);
}

TEST_F(Cleanup, LinksAreNotFollowed) {
    makeFolders("a");
    ::mkdir(temp.host("elsewhere").c_str(), 0755);
    ::mkdir(temp.host("elsewhere/empty").c_str(), 0755);
    ASSERT_EQ(::symlink(temp.host("elsewhere").c_str(), temp.host("out/a/link").c_str()), 0);
    removeEmptyFolders(folder("a").c_str(), root.c_str());
    EXPECT_TRUE(fileExists(temp.host("elsewhere/empty")));
}

TEST_F(Cleanup, DoubleByteFolderNames) {
    test::ScopedCodePage page(932);
    makeFolders("表/ソ");
    EXPECT_EQ(removeEmptyFolders(folder("\x95\x5C").c_str(), root.c_str()), 1);
    EXPECT_FALSE(fileExists(temp.host("out/表")));
}

}  // namespace
}  // namespace tamrix
