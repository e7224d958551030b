// The Linux side of names and system folders: code-page conversion at the boundary, folder
// listings, the temporary folder and the shell folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/folder_listing.h"
#include "platform/posix/host_paths.h"
#include "platform/posix/system_folders.h"
#include "platform/registry.h"
#include "platform/system_folders.h"
#include "tests/support/scoped_state.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using platform::posix::toHostPath;
using platform::posix::toWindowsPath;
using test::ScopedCodePage;
using test::ScopedEnv;
using test::TempFolder;

TEST(HostNames, DoubleByteNamesCrossAsUtf8) {
    ScopedCodePage page(932);
    // 表 is 0x95 0x5C: its second byte must not become a slash.
    EXPECT_EQ(toHostPath("Z:\\tmp\\\x95\x5C\\a"), "/tmp/表/a");
    EXPECT_EQ(toWindowsPath("/tmp/表/ソ"), "Z:\\tmp\\\x95\x5C\\\x83\x5C");
    EXPECT_EQ(toHostPath("C:\\x"), "");
    EXPECT_EQ(toHostPath("sub\\x"), "sub/x");
}

TEST(HostNames, NamesWithoutACounterpartStayUsable) {
    ScopedCodePage page(1252);
    std::vector<std::string> names = {"/tmp/日本/é", "/tmp/a<41>b", "/tmp/bad\xFF\xC3name",
                                      "/tmp/<", "/tmp/\xEF\x9F\x80"};
    for (const std::string& name : names) {
        std::string windows = toWindowsPath(name);
        ASSERT_FALSE(windows.empty());
        EXPECT_EQ(toHostPath(windows.c_str()), name) << windows;
    }
    EXPECT_EQ(toWindowsPath("/tmp/é"), "Z:\\tmp\\\xE9");
    // Escapes are decoded only for what they can stand for: never a separator.
    EXPECT_EQ(toHostPath("Z:\\a<2F>b<5C>c"), "/a<2F>b<5C>c");
}

TEST(HostNames, ListingHasDotEntriesFirstAndAttributes) {
    ScopedCodePage page(932);
    TempFolder temp;
    ::mkdir(temp.host("表").c_str(), 0755);
    ::mkdir(temp.host("ro").c_str(), 0555);
    test::writeFile(temp.host("f.txt"), {1});
    ::symlink("/tmp", temp.host("link").c_str());

    std::string pattern = temp.windows() + "\\*.*";
    platform::FindData entry;
    platform::FindHandle listing = platform::findFirstFile(pattern.c_str(), &entry);
    ASSERT_NE(listing, platform::kInvalidFindHandle);
    std::vector<std::pair<std::string, uint32_t>> entries;
    do {
        entries.emplace_back(entry.name, entry.attributes);
    } while (platform::findNextFile(listing, &entry));
    platform::findClose(listing);

    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].first, ".");
    EXPECT_EQ(entries[1].first, "..");
    auto attributesOf = [&](const std::string& name) {
        auto found =
            std::find_if(entries.begin(), entries.end(), [&](auto& e) { return e.first == name; });
        return found == entries.end() ? platform::kInvalidAttributes : found->second;
    };
    EXPECT_EQ(attributesOf("\x95\x5C"), platform::kAttrDirectory);
    EXPECT_EQ(attributesOf("ro"), platform::kAttrDirectory | platform::kAttrReadOnly);
    EXPECT_EQ(attributesOf("f.txt") & platform::kAttrDirectory, 0u);
    EXPECT_EQ(attributesOf("link") & platform::kAttrDirectory, 0u);

    EXPECT_EQ(platform::findFirstFile((temp.windows() + "\\missing\\*.*").c_str(), &entry),
              platform::kInvalidFindHandle);
}

TEST(HostNames, TemporaryFolderFromTmpdir) {
    char out[256];
    {
        ScopedEnv tmpdir("TMPDIR", "/var/tmp/x/");
        EXPECT_EQ(platform::tempPath(out, sizeof out), 13u);
        EXPECT_STREQ(out, "Z:\\var\\tmp\\x\\");
        EXPECT_EQ(platform::tempPath(out, 13), 0u);
        EXPECT_STREQ(out, "");
    }
    ScopedEnv tmpdir("TMPDIR", nullptr);
    platform::tempPath(out, sizeof out);
    EXPECT_STREQ(out, "Z:\\tmp\\");
}

TEST(HostNames, WindowsAndSystemFolders) {
    char out[256];
    ScopedEnv windir("TAMRIX_WINDIR", nullptr);
    ScopedEnv sysdir("TAMRIX_SYSTEMDIR", nullptr);
    ScopedEnv data("XDG_DATA_HOME", "/home/u/.data");
    platform::windowsDirectory(out, sizeof out);
    EXPECT_STREQ(out, "Z:\\home\\u\\.data\\tamrix\\windows");
    platform::systemDirectory(out, sizeof out);
    EXPECT_STREQ(out, "Z:\\home\\u\\.data\\tamrix\\windows\\system32");
    {
        ScopedEnv windirSet("TAMRIX_WINDIR", "/opt/win/");
        platform::windowsDirectory(out, sizeof out);
        EXPECT_STREQ(out, "Z:\\opt\\win");
    }
    platform::posix::setSystemDirectory("/usr/lib");
    platform::systemDirectory(out, sizeof out);
    platform::posix::setSystemDirectory(nullptr);
    EXPECT_STREQ(out, "Z:\\usr\\lib");
}

class ShellFolders : public ::testing::Test {
  protected:
    std::string query(const char* value) {
        platform::RegistryKey key = platform::registryOpenKey(
            platform::kRegistryCurrentUser,
            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        if (!key) return "<no key>";
        char out[256];
        uint32_t size = sizeof out;
        bool read = platform::registryQueryValue(key, value, out, &size);
        platform::registryCloseKey(key);
        return read ? std::string(out) : "<none>";
    }
    TempFolder temp;
    ScopedEnv home{"HOME", temp.path().c_str()};
    ScopedEnv config{"XDG_CONFIG_HOME", nullptr};
    ScopedEnv desktop{"XDG_DESKTOP_DIR", nullptr};
    ScopedEnv documents{"XDG_DOCUMENTS_DIR", nullptr};
};

TEST_F(ShellFolders, EnvironmentThenUserDirsThenHome) {
    EXPECT_EQ(query("Desktop"), temp.windows("Desktop"));
    EXPECT_EQ(query("Personal"), temp.windows("Documents"));

    ::mkdir(temp.host(".config").c_str(), 0755);
    test::writeFile(
        temp.host(".config/user-dirs.dirs"),
        std::vector<uint8_t>({'#', ' ', 'x', '\n'}));  // a comment only: still the fallback
    EXPECT_EQ(query("Personal"), temp.windows("Documents"));
    std::string dirs =
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
        "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n";
    test::writeFile(temp.host(".config/user-dirs.dirs"),
                    std::vector<uint8_t>(dirs.begin(), dirs.end()));
    EXPECT_EQ(query("Desktop"), temp.windows("Schreibtisch"));
    EXPECT_EQ(query("Personal"), "Z:\\srv\\docs");

    ScopedEnv fromEnvironment("XDG_DESKTOP_DIR", "/data/desk");
    EXPECT_EQ(query("Desktop"), "Z:\\data\\desk");
    EXPECT_EQ(query("AppData"), "<none>");
}

TEST_F(ShellFolders, OnlyTheShellFoldersKeyOpens) {
    EXPECT_EQ(platform::registryOpenKey(platform::kRegistryCurrentUser, "Software\\Other"),
              nullptr);
    EXPECT_EQ(
        platform::registryOpenKey(
            0x80000002, "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
        nullptr);
}

}  // namespace
}  // namespace tamrix
