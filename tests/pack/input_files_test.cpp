// Gathering files: the walk's order and names, dates, attributes, code pages and refusals.
#include "pack/input_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdlib>

#include "pack/ansi_text.h"
#include "pack/dos_time.h"
#include "tests/pack/pack_fixtures.h"

namespace tamrix {
namespace {

using pack::CabinetEntry;
using pack::kAttrUtf8Name;
using pack::kUtf8CodePage;

// Sets TZ (and SOURCE_DATE_EPOCH, when given) for the test's lifetime.
class Environment {
  public:
    explicit Environment(const char* epoch = nullptr) {
        setenv("TZ", "UTC", 1);
        tzset();
        if (epoch) setenv("SOURCE_DATE_EPOCH", epoch, 1);
    }
    ~Environment() {
        unsetenv("SOURCE_DATE_EPOCH");
        unsetenv("TZ");
        tzset();
    }
};

bool collect(const std::vector<std::string>& paths, std::vector<CabinetEntry>* entries,
             std::string* error, int codePage = 1252) {
    std::vector<std::string> notes;
    pack::InputOptions options;
    options.codePage = codePage;
    return pack::collectEntries(paths, options, entries, &notes, error);
}

void setTime(const std::string& path, time_t moment) {
    struct utimbuf times {
        moment, moment
    };
    ASSERT_EQ(0, utime(path.c_str(), &times));
}

TEST(InputFiles, FoldersAreWalkedInNameOrderWithNamesRelativeToTheirRoot) {
    Environment environment;
    test::TempFolder folder;
    mkdir(folder.host("root").c_str(), 0755);
    mkdir(folder.host("root/b").c_str(), 0755);
    mkdir(folder.host("root/b/empty").c_str(), 0755);
    test::writeFile(folder.host("root/c.txt"), {'c'});
    test::writeFile(folder.host("root/a.txt"), {'a', 'a'});
    test::writeFile(folder.host("root/b/x.bin"), {1, 2, 3});
    test::writeFile(folder.host("single.dat"), {9});
    std::vector<CabinetEntry> entries;
    std::string error;
    ASSERT_TRUE(collect({folder.host("root/"), folder.host("single.dat")}, &entries, &error))
        << error;
    std::vector<std::string> names;
    for (const CabinetEntry& entry : entries) names.push_back(entry.name);
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b\\x.bin", "c.txt", "single.dat"}), names);
    EXPECT_EQ(3u, entries[1].size);
    EXPECT_EQ(folder.host("root/b/x.bin"), entries[1].sourcePath);
}

TEST(InputFiles, DatesComeFromTheFilesOrFromSourceDateEpoch) {
    test::TempFolder folder;
    test::writeFile(folder.host("f"), {1});
    setTime(folder.host("f"), 1700000001);  // 2023-11-14 22:13:21 UTC
    std::vector<CabinetEntry> entries;
    std::string error;
    {
        Environment environment;
        ASSERT_TRUE(collect({folder.host("f")}, &entries, &error));
        EXPECT_EQ((43 << 9) | (11 << 5) | 14, entries[0].date);
        EXPECT_EQ((22 << 11) | (13 << 5) | 10, entries[0].time);  // seconds rounded down to even
    }
    {
        Environment environment("315532800");  // 1980-01-01 00:00:00 UTC
        entries.clear();
        ASSERT_TRUE(collect({folder.host("f")}, &entries, &error));
        EXPECT_EQ((1 << 5) | 1, entries[0].date);
        EXPECT_EQ(0, entries[0].time);
    }
    {
        Environment environment("yesterday");
        entries.clear();
        EXPECT_FALSE(collect({folder.host("f")}, &entries, &error));
    }
}

TEST(DosTime, MomentsOutsideTheDosRangeAreHeldAtItsLimits) {
    pack::DosDateTime early = pack::toDosDateTime(0, true);
    EXPECT_EQ((1 << 5) | 1, early.date);
    EXPECT_EQ(0, early.time);
    pack::DosDateTime late = pack::toDosDateTime(time_t(4200000000LL), true);  // 2103
    EXPECT_EQ(123, late.date >> 9);
    pack::DosDateTime beyond = pack::toDosDateTime(time_t(4500000000LL), true);  // 2112
    EXPECT_EQ((127 << 9) | (12 << 5) | 31, beyond.date);
}

TEST(InputFiles, ReadOnlyFilesGetTheReadOnlyBitAndEveryFileTheArchiveBit) {
    Environment environment;
    test::TempFolder folder;
    test::writeFile(folder.host("rw"), {1});
    test::writeFile(folder.host("ro"), {1});
    chmod(folder.host("ro").c_str(), 0444);
    std::vector<CabinetEntry> entries;
    std::string error;
    ASSERT_TRUE(collect({folder.path()}, &entries, &error));
    EXPECT_EQ(0x21, entries[0].attributes);  // ro
    EXPECT_EQ(0x20, entries[1].attributes);  // rw
}

TEST(InputFiles, NamesAreWrittenInTheCodePageOrAsMarkedUtf8) {
    Environment environment;
    test::TempFolder folder;
    test::writeFile(folder.host("caf\xC3\xA9.txt"), {1});  // café
    std::vector<CabinetEntry> entries;
    std::string error;
    ASSERT_TRUE(collect({folder.host("caf\xC3\xA9.txt")}, &entries, &error)) << error;
    EXPECT_EQ("caf\xE9.txt", entries[0].name);
    EXPECT_EQ(0, entries[0].attributes & kAttrUtf8Name);

    // A name code page 1252 cannot hold is stored as UTF-8 and marked so; 932 holds it.
    test::writeFile(folder.host("\xE6\x97\xA5.txt"), {1});  // 日
    entries.clear();
    ASSERT_TRUE(collect({folder.host("\xE6\x97\xA5.txt")}, &entries, &error)) << error;
    EXPECT_EQ("\xE6\x97\xA5.txt", entries[0].name);
    EXPECT_EQ(kAttrUtf8Name, entries[0].attributes & kAttrUtf8Name);
    entries.clear();
    ASSERT_TRUE(collect({folder.host("\xE6\x97\xA5.txt")}, &entries, &error, 932)) << error;
    EXPECT_EQ("\x93\xFA.txt", entries[0].name);
    EXPECT_EQ(0, entries[0].attributes & kAttrUtf8Name);

    // utf-8 marks every name, plain ASCII ones too.
    entries.clear();
    ASSERT_TRUE(collect({folder.host("caf\xC3\xA9.txt")}, &entries, &error, kUtf8CodePage));
    EXPECT_EQ("caf\xC3\xA9.txt", entries[0].name);
    EXPECT_EQ(kAttrUtf8Name, entries[0].attributes & kAttrUtf8Name);

    // A host name that is not UTF-8 and not in the code page cannot be stored at all.
    test::writeFile(folder.host("bad\xFF\xFE.txt"), {1});
    entries.clear();
    EXPECT_FALSE(collect({folder.host("bad\xFF\xFE.txt")}, &entries, &error, 932));
    EXPECT_NE(std::string::npos, error.find("not UTF-8")) << error;
}

TEST(InputFiles, NamesWindowsCannotUseOrTellApartAreRefused) {
    Environment environment;
    for (const char* name : {"a\\b", "what?", "x:y", "tab\there"}) {
        test::TempFolder folder;
        mkdir(folder.host("d").c_str(), 0755);
        test::writeFile(folder.host(std::string("d/") + name), {1});
        std::vector<CabinetEntry> entries;
        std::string error;
        EXPECT_FALSE(collect({folder.host("d")}, &entries, &error)) << name;
    }
    test::TempFolder folder;
    mkdir(folder.host("d").c_str(), 0755);
    test::writeFile(folder.host("d/Readme.txt"), {1});
    test::writeFile(folder.host("d/README.TXT"), {2});
    std::vector<CabinetEntry> entries;
    std::string error;
    EXPECT_FALSE(collect({folder.host("d")}, &entries, &error));
    EXPECT_NE(std::string::npos, error.find("same name")) << error;
}

TEST(InputFiles, LinksToFilesAreFollowedAndLinksToFoldersPassedOver) {
    Environment environment;
    test::TempFolder folder;
    mkdir(folder.host("d").c_str(), 0755);
    test::writeFile(folder.host("target.txt"), {1, 2});
    ASSERT_EQ(0, symlink(folder.host("target.txt").c_str(), folder.host("d/link.txt").c_str()));
    ASSERT_EQ(0, symlink(folder.path().c_str(), folder.host("d/loop").c_str()));
    std::vector<CabinetEntry> entries;
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(pack::collectEntries({folder.host("d")}, {}, &entries, &notes, &error)) << error;
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("link.txt", entries[0].name);
    EXPECT_EQ(2u, entries[0].size);
    EXPECT_EQ(1u, notes.size());

    mkfifo(folder.host("d/pipe").c_str(), 0644);
    entries.clear();
    EXPECT_FALSE(pack::collectEntries({folder.host("d")}, {}, &entries, &notes, &error));
    EXPECT_FALSE(pack::collectEntries({folder.host("missing")}, {}, &entries, &notes, &error));
}

}  // namespace
}  // namespace tamrix
