// The package: header fields and their sizes, the stub check, the CRC, and the temporary file.
#include <gtest/gtest.h>

#include <cstring>

#include "app/package_layout.h"
#include "pack/package_builder.h"
#include "pack/package_settings.h"
#include "tests/pack/pack_fixtures.h"
#include "tests/support/byte_fields.h"

namespace tamrix {
namespace {

using pack::PackageSettings;

uint32_t referenceCrc(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? crc >> 1 ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

using test::get32;

bool makeHeader(const PackageSettings& settings, PackageHeader* header, std::string* error) {
    pack::AnsiText ansi(1252);
    return pack::makePackageHeader(settings, &ansi, 0x12345678, header, error);
}

TEST(PackageHeader, FieldsLandAtTheirOffsets) {
    PackageSettings settings;
    settings.destination = "%temp%\\demo";
    settings.setupCommand = "setup.exe /q";
    settings.promptCaption = "Demo";
    settings.promptText = "Install the demo?";
    settings.autoConfirm = true;
    settings.openFolderAfter = false;
    settings.deleteAfterSetup = true;
    settings.skipDestinationDialog = true;
    PackageHeader header;
    std::string error;
    ASSERT_TRUE(makeHeader(settings, &header, &error)) << error;
    std::vector<uint8_t> bytes = pack::headerBytes(header);
    ASSERT_EQ(512u, bytes.size());
    EXPECT_EQ(0, std::memcmp(bytes.data(), "TAMRIX3\0", 8));
    EXPECT_STREQ("%temp%\\demo", reinterpret_cast<const char*>(&bytes[8]));
    EXPECT_STREQ("setup.exe /q", reinterpret_cast<const char*>(&bytes[268]));
    EXPECT_EQ(1u, get32(bytes, 396));
    EXPECT_EQ(0u, get32(bytes, 400));
    EXPECT_EQ(1u, get32(bytes, 404));
    EXPECT_EQ(1u, get32(bytes, 408));
    EXPECT_EQ(0x12345678u, get32(bytes, 412));
    EXPECT_STREQ("Demo", reinterpret_cast<const char*>(&bytes[416]));
    EXPECT_STREQ("Install the demo?", reinterpret_cast<const char*>(&bytes[448]));
    // Everything after each text is zero.
    EXPECT_EQ(std::vector<uint8_t>(260 - 11, 0),
              std::vector<uint8_t>(bytes.begin() + 8 + 11, bytes.begin() + 268));

    PackageSettings defaults;
    ASSERT_TRUE(makeHeader(defaults, &header, &error));
    bytes = pack::headerBytes(header);
    EXPECT_EQ(1u, get32(bytes, 400));  // the folder is opened unless asked otherwise
    EXPECT_EQ(0u, get32(bytes, 396) | get32(bytes, 404) | get32(bytes, 408));
}

TEST(PackageHeader, EveryTextMustFitItsFieldWithItsNul) {
    struct Field {
        std::string PackageSettings::*text;
        size_t width;
    };
    for (Field field :
         {Field{&PackageSettings::destination, 260}, Field{&PackageSettings::setupCommand, 128},
          Field{&PackageSettings::promptCaption, 32}, Field{&PackageSettings::promptText, 64}}) {
        PackageSettings settings;
        PackageHeader header;
        std::string error;
        settings.*field.text = std::string(field.width - 1, 'x');
        EXPECT_TRUE(makeHeader(settings, &header, &error)) << error;
        settings.*field.text = std::string(field.width, 'x');
        EXPECT_FALSE(makeHeader(settings, &header, &error)) << field.width;
        EXPECT_NE(std::string::npos, error.find(std::to_string(field.width - 1))) << error;
        // Sizes count the code page's bytes: "é" is two bytes of UTF-8 but one here.
        settings.*field.text = std::string(field.width - 2, 'x') + "\xC3\xA9";
        EXPECT_TRUE(makeHeader(settings, &header, &error)) << error;
    }
}

TEST(PackageHeader, SettingsThatCannotWorkAreRefused) {
    PackageSettings settings;
    PackageHeader header;
    std::string error;
    settings.deleteAfterSetup = true;
    EXPECT_FALSE(makeHeader(settings, &header, &error));
    settings.setupCommand = "setup.exe";
    EXPECT_TRUE(makeHeader(settings, &header, &error)) << error;

    // A text ending in the signature letters, padded with zeros, would be found as the cabinet.
    settings.promptText = "Unpack MSCF";
    EXPECT_FALSE(makeHeader(settings, &header, &error));
    settings.promptText = "Unpack MSCF files?";
    EXPECT_TRUE(makeHeader(settings, &header, &error)) << error;
    settings.promptText = "";
    settings.promptCaption = std::string(27, 'c') + "MSCF";
    EXPECT_FALSE(makeHeader(settings, &header, &error));

    settings = PackageSettings();
    settings.promptText = "\xE6\x97\xA5";  // not in code page 1252
    EXPECT_FALSE(makeHeader(settings, &header, &error));
}

TEST(Stub, OnlyAnUntouchedPeImageIsTakenAsTheStub) {
    test::TempFolder folder;
    std::vector<uint8_t> stub = test::testStub();
    std::vector<uint8_t> loaded;
    std::string error;
    test::writeFile(folder.host("stub.exe"), stub);
    ASSERT_TRUE(pack::loadStub(folder.host("stub.exe"), &loaded, &error)) << error;
    EXPECT_EQ(stub, loaded);

    std::vector<uint8_t> appended = stub;
    appended.push_back(0);
    test::writeFile(folder.host("appended.exe"), appended);
    EXPECT_FALSE(pack::loadStub(folder.host("appended.exe"), &loaded, &error));

    std::vector<uint8_t> signature = stub;
    std::memcpy(&signature[0x300], "MSCF\0\0\0\0", 8);
    test::writeFile(folder.host("signature.exe"), signature);
    EXPECT_FALSE(pack::loadStub(folder.host("signature.exe"), &loaded, &error));

    std::vector<uint8_t> notPe = stub;
    notPe[0x80] = 'X';
    test::writeFile(folder.host("notpe.exe"), notPe);
    EXPECT_FALSE(pack::loadStub(folder.host("notpe.exe"), &loaded, &error));
    EXPECT_FALSE(pack::loadStub(folder.host("missing.exe"), &loaded, &error));
}

TEST(Package, StubHeaderAndCabinetFollowEachOtherAndTheCrcCoversTheCabinet) {
    test::TempFolder folder;
    std::vector<uint8_t> stub = test::testStub();
    std::vector<uint8_t> cabinet = test::textBytes(5000 + (8 - stub.size() % 8) + 3);
    std::memcpy(cabinet.data(), "MSCF\0\0\0\0", 8);
    PackageHeader header;
    std::string error;
    ASSERT_TRUE(makeHeader(PackageSettings(), &header, &error));
    auto writer = [&](pack::OutputFile* out, std::string*) {
        return out->write(cabinet.data(), cabinet.size());
    };
    pack::PackageResult result;
    ASSERT_TRUE(
        pack::writePackage(folder.host("p.exe"), stub, header, true, writer, &result, &error))
        << error;
    std::vector<uint8_t> package = test::readFile(folder.host("p.exe"));
    // Five zero bytes pad the package to a multiple of 8, and the CRC covers them.
    ASSERT_EQ(stub.size() + 512 + cabinet.size() + 5, package.size());
    EXPECT_EQ(package.size(), result.size);
    EXPECT_EQ(stub.size() + 512, result.cabinetOffset);
    EXPECT_EQ(cabinet.size(), result.cabinetSize);
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), package.begin()));
    EXPECT_EQ(0, std::memcmp(&package[stub.size()], "TAMRIX3", 7));
    EXPECT_TRUE(
        std::equal(cabinet.begin(), cabinet.end(), package.begin() + long(stub.size() + 512)));
    std::vector<uint8_t> padded = cabinet;
    padded.resize(cabinet.size() + 5);
    uint32_t crc = referenceCrc(padded.data(), padded.size());
    EXPECT_EQ(crc, get32(package, stub.size() + 412));
    EXPECT_EQ(crc, result.cabinetCrc);
    EXPECT_EQ(findImageEnd(package.data(), uint32_t(package.size())), stub.size());
    EXPECT_EQ((std::vector<std::string>{"p.exe"}), test::folderListing(folder.path()));

    // Without the CRC the header keeps what it was given.
    ASSERT_TRUE(
        pack::writePackage(folder.host("p.exe"), stub, header, false, writer, &result, &error));
    EXPECT_EQ(0x12345678u, get32(test::readFile(folder.host("p.exe")), stub.size() + 412));
}

TEST(Package, AFailedBuildLeavesNoFileAndKeepsTheOldPackage) {
    test::TempFolder folder;
    test::writeFile(folder.host("p.exe"), {'o', 'l', 'd'});
    PackageHeader header;
    std::string error;
    ASSERT_TRUE(makeHeader(PackageSettings(), &header, &error));
    auto failing = [&](pack::OutputFile* out, std::string* problem) {
        out->write("MSCF", 4);
        *problem = "cabinet failed";
        return false;
    };
    pack::PackageResult result;
    EXPECT_FALSE(pack::writePackage(folder.host("p.exe"), test::testStub(), header, true, failing,
                                    &result, &error));
    EXPECT_EQ("cabinet failed", error);
    EXPECT_EQ((std::vector<std::string>{"p.exe"}), test::folderListing(folder.path()));
    EXPECT_EQ((std::vector<uint8_t>{'o', 'l', 'd'}), test::readFile(folder.host("p.exe")));
    // A target in a folder that does not exist fails before anything is written.
    EXPECT_FALSE(pack::writePackage(folder.host("none/p.exe"), test::testStub(), header, true,
                                    failing, &result, &error));
}

TEST(Package, ACabinetFileMustBeOneTheStubCanFind) {
    test::TempFolder folder;
    std::vector<uint8_t> cabinet(36);
    std::memcpy(cabinet.data(), "MSCF", 4);
    cabinet[24] = 3;
    cabinet[25] = 1;
    test::writeFile(folder.host("a.cab"), cabinet);
    uint64_t size = 0;
    std::string error;
    EXPECT_TRUE(pack::checkCabinetFile(folder.host("a.cab"), &size, &error)) << error;
    EXPECT_EQ(36u, size);
    cabinet[5] = 1;  // the word after the signature, which the stub's search wants zero
    test::writeFile(folder.host("b.cab"), cabinet);
    EXPECT_FALSE(pack::checkCabinetFile(folder.host("b.cab"), &size, &error));
    cabinet[5] = 0;
    cabinet[24] = 2;
    test::writeFile(folder.host("c.cab"), cabinet);
    EXPECT_FALSE(pack::checkCabinetFile(folder.host("c.cab"), &size, &error));
}

TEST(SettingsFile, KeyValueLinesWithCommentsAndQuotes) {
    test::TempFolder folder;
    std::string text =
        "# package settings\n"
        "caption = My Setup\n"
        "\n"
        "  question=\"  Install?  \"\r\n"
        "auto-confirm = yes\n";
    test::writeFile(folder.host("s.ini"), std::vector<uint8_t>(text.begin(), text.end()));
    std::vector<pack::SettingLine> lines;
    std::string error;
    ASSERT_TRUE(pack::readSettingsFile(folder.host("s.ini"), &lines, &error)) << error;
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("caption", lines[0].key);
    EXPECT_EQ("My Setup", lines[0].value);
    EXPECT_EQ(4, lines[1].line);
    EXPECT_EQ("  Install?  ", lines[1].value);
    EXPECT_EQ("yes", lines[2].value);

    std::string bad = "caption = ok\njust words\n";
    test::writeFile(folder.host("bad.ini"), std::vector<uint8_t>(bad.begin(), bad.end()));
    lines.clear();
    EXPECT_FALSE(pack::readSettingsFile(folder.host("bad.ini"), &lines, &error));
    EXPECT_NE(std::string::npos, error.find(":2:")) << error;
}

}  // namespace
}  // namespace tamrix

namespace tamrix {
namespace {

TEST(SettingsFile, EveryValueComesBackFromTheLineWrittenForIt) {
    test::TempFolder folder;
    const std::vector<std::string> values = {"",
                                             "plain words",
                                             " leading",
                                             "trailing\t",
                                             "\"quoted\"",
                                             "'single'",
                                             "Install?\nNow",
                                             "C:\\Program Files\\x\\",
                                             "back\\slash \"and\" quote\n",
                                             std::string("\x01\x7F\r", 3),
                                             "#not a comment",
                                             "caf\xC3\xA9"};
    std::string text;
    for (const std::string& value : values) text += pack::settingLine("question", value);
    test::writeFile(folder.host("s.ini"), std::vector<uint8_t>(text.begin(), text.end()));
    std::vector<pack::SettingLine> lines;
    std::string error;
    ASSERT_TRUE(pack::readSettingsFile(folder.host("s.ini"), &lines, &error)) << error << text;
    ASSERT_EQ(values.size(), lines.size()) << text;
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], lines[i].value) << text;

    // Single and double quotes keep backslashes as written (settings files made before the
    // escaped form hold Windows paths in double quotes); e"..." knows only its escapes.
    std::string quoted =
        "destination = 'C:\\temp\\new '\n"
        "setup = \"C:\\temp\\setup.exe\"\n"
        "question = e\"tab\\there \\x41\\\\\"\n";
    test::writeFile(folder.host("q.ini"), std::vector<uint8_t>(quoted.begin(), quoted.end()));
    lines.clear();
    ASSERT_TRUE(pack::readSettingsFile(folder.host("q.ini"), &lines, &error)) << error;
    EXPECT_EQ("C:\\temp\\new ", lines[0].value);
    EXPECT_EQ("C:\\temp\\setup.exe", lines[1].value);
    EXPECT_EQ("tab\there A\\", lines[2].value);
    for (const char* bad :
         {"a = e\"C:\\Program Files\"\n", "a = e\"\\x4\"\n", "a = e\"end\\\"\n", "a = 'open\n"}) {
        test::writeFile(folder.host("bad.ini"), std::vector<uint8_t>(bad, bad + std::strlen(bad)));
        EXPECT_FALSE(pack::readSettingsFile(folder.host("bad.ini"), &lines, &error)) << bad;
        EXPECT_NE(std::string::npos, error.find(":1:")) << error;
    }
}

}  // namespace
}  // namespace tamrix
