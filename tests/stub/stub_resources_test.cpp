// The stub's string table, icons, manifest and version information.
#include "resources/resource.h"
#include "resources/strings.h"
#include "tests/stub/built_stub.h"
#include "tests/support/resource_formats.h"

namespace tamrix::test {
namespace {

constexpr uint32_t kEnglish = 1033;
constexpr uint32_t kJapanese = 1041;
constexpr uint32_t kNeutral = 0;

constexpr int kStringCount = IDS_LAST;

// Ids 1 to 12, exactly as the program shows them (typos included).
const char* const kEnglishStrings[kStringCount] = {
    "Cannot create a file.",
    "Cannot open arhive.",
    "not supported archive format.",
    "The Folder '%s' does not exist.\nDo you want to create it?",
    "Cannot create a folder.",
    "%s\n\ninvalid filename.(skipped)",
    "Cannot create a folder.\nThis archive forbids writing.",
    "CRC check error!",
    "%%s Bytes\nModified: %02d, %02d, %04d,  %02d:%02d:%02d",
    "Invalid path!",
    "Extraction failed. Some files could not be extracted.",
    "The next part of this package, '%s', cannot be found or read.\nPut it in the folder '%s' and "
    "choose Retry.",
};
const char* const kJapaneseStrings[kStringCount] = {
    "展開先にファイルを作成できません。",
    "書庫を開けません。",
    "対応していない書庫形式です。",
    "'%s'\n\n展開先フォルダは存在しません。\nフォルダを作成しますか？",
    "フォルダを作成できません。",
    "%s\n\n不正なファイル名の展開をスキップします。",
    "展開先フォルダを作成できません。",
    "CRC チェックエラー\n\n'%s'\nはファイルが改竄されたか、ファイルが破損しています。\n"
    "配布ファイルの場合にはファイルの入手元から再入手してください。",
    "%%s バイト\n%04d年%02d月%02d日 ??曜日、%02d:%02d:%02d",
    "格納パス情報がおかしいです。",
    "展開に失敗しました。一部のファイルを展開できませんでした。",
    "このパッケージの次の分割ファイル '%s' が見つからないか、読み込めません。\nフォルダ '%s' に置いて"
    "から [再試行] を選んでください。",
};

TEST_F(BuiltStubTest, StringTableHoldsTheTextsInBothLanguages) {
    for (auto [language, texts] :
         {std::pair{kEnglish, kEnglishStrings}, std::pair{kJapanese, kJapaneseStrings}}) {
        SCOPED_TRACE(language);
        const PeResource* block = resource(kResourceString, 1, language);  // ids 0 to 15
        ASSERT_NE(nullptr, block);
        auto strings = decodeStringBlock(block->data);
        ASSERT_TRUE(strings);
        EXPECT_EQ("", (*strings)[0]);
        for (int id = 1; id <= kStringCount; ++id) {
            EXPECT_EQ(texts[id - 1], (*strings)[id]) << "id " << id;
        }
        for (int id = kStringCount + 1; id < 16; ++id) EXPECT_EQ("", (*strings)[id]) << "id " << id;
    }
    // The Linux string table serves the same texts.
    for (auto [language, code] :
         {std::pair{Language::English, kEnglish}, std::pair{Language::Japanese, kJapanese}}) {
        auto strings = decodeStringBlock(resource(kResourceString, 1, code)->data);
        for (uint32_t id = 1; id <= kStringCount; ++id) {
            EXPECT_STREQ(stringTableText(language, id), (*strings)[id].c_str()) << "id " << id;
        }
    }
    // The file-replace details pick their arrangement by this.
    auto english = decodeStringBlock(resource(kResourceString, 1, kEnglish)->data);
    auto japanese = decodeStringBlock(resource(kResourceString, 1, kJapanese)->data);
    EXPECT_NE(std::string::npos, (*english)[9].find("Byte"));
    EXPECT_EQ(std::string::npos, (*japanese)[9].find("Byte"));
}

TEST_F(BuiltStubTest, NoResourceInAThirdLanguage) {
    for (const PeResource& r : stub->resources) {
        EXPECT_TRUE(r.language == kEnglish || r.language == kJapanese || r.language == kNeutral)
            << "type " << r.type << " name " << r.name << " language " << r.language;
    }
}

// The two icon groups: one 32 x 32 image with 16 colours each, and the program's comes first, so
// the shell shows it for the file.
TEST_F(BuiltStubTest, IconGroupsHoldOne32By32ImageIn16Colours) {
    std::vector<uint32_t> groups;
    for (const PeResource& r : stub->resources) {
        if (r.type == kResourceGroupIcon) groups.push_back(r.name);
    }
    ASSERT_FALSE(groups.empty());
    EXPECT_EQ(uint32_t(IDI_PROGRAM), groups.front());
    for (uint32_t group : {IDI_PROGRAM, IDI_REPLACE}) {
        SCOPED_TRACE(group);
        const PeResource* directory = resource(kResourceGroupIcon, group, kNeutral);
        ASSERT_NE(nullptr, directory);
        auto entries = decodeGroupIcon(directory->data);
        ASSERT_TRUE(entries);
        ASSERT_EQ(1u, entries->size());
        const GroupIconEntry& entry = entries->front();
        EXPECT_EQ(32, entry.width);
        EXPECT_EQ(32, entry.height);
        EXPECT_EQ(16, entry.colorCount);
        EXPECT_EQ(4, entry.bitCount);
        // The image itself: a bitmap header for 32 x (2 x 32) pixels, colour and mask, 4 bits.
        const PeResource* image = resource(kResourceIcon, entry.iconId, kNeutral);
        ASSERT_NE(nullptr, image);
        ASSERT_EQ(entry.bytes, image->data.size());
        ASSERT_GE(image->data.size(), 40u + 64 + 512 + 128);
        auto word = [&](size_t at) {
            return uint32_t(image->data[at] | image->data[at + 1] << 8 | image->data[at + 2] << 16 |
                            uint32_t(image->data[at + 3]) << 24);
        };
        EXPECT_EQ(40u, word(0));
        EXPECT_EQ(32u, word(4));
        EXPECT_EQ(64u, word(8));
        EXPECT_EQ(4, image->data[14]);
    }
}

TEST_F(BuiltStubTest, ManifestAsksForCommonControls6OnX86) {
    const PeResource* manifest = nullptr;
    for (const PeResource& r : stub->resources) {
        if (r.type == kResourceManifest && r.name == IDR_MANIFEST) manifest = &r;
    }
    ASSERT_NE(nullptr, manifest);
    std::string text(manifest->data.begin(), manifest->data.end());
    size_t dependency = text.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(std::string::npos, dependency);
    size_t end = text.find("/>", dependency);
    size_t start = text.rfind("<assemblyIdentity", dependency);
    ASSERT_NE(std::string::npos, start);
    std::string identity = text.substr(start, end - start);
    EXPECT_NE(std::string::npos, identity.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, identity.find("processorArchitecture=\"x86\""));
    EXPECT_NE(std::string::npos, identity.find("publicKeyToken=\"6595b64144ccf1df\""));
    // The stub's own identity is x86 too.
    size_t own = text.find("<assemblyIdentity");
    EXPECT_NE(std::string::npos, text.substr(own, text.find("/>", own) - own).find("\"x86\""));
}

TEST_F(BuiltStubTest, VersionIsOnePointZeroZero) {
    const PeResource* version = resource(kResourceVersion, IDR_VERSION, kEnglish);
    ASSERT_NE(nullptr, version);
    auto info = decodeVersion(version->data);
    ASSERT_TRUE(info);
    EXPECT_EQ(0x00010000u, info->fileVersionMs);
    EXPECT_EQ(0u, info->fileVersionLs);
    EXPECT_EQ("1.00", info->value("FileVersion"));
    EXPECT_EQ("1.00", info->value("ProductVersion"));
    EXPECT_FALSE(info->value("FileDescription").empty());
}

}  // namespace
}  // namespace tamrix::test
