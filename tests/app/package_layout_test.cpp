#include "app/package_layout.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/run_state.h"
#include "platform/files.h"
#include "state/run_state.h"
#include "tests/support/pe_image.h"
#include "tests/support/temp_folder.h"

namespace tamrix {
namespace {

using test::TestSection;

uint32_t imageEndOf(const std::vector<TestSection>& sections, uint32_t readable = UINT32_MAX) {
    std::vector<uint8_t> image = test::makePeImage(sections);
    // A heap copy exactly as long as asked, so the sanitizer sees any read beyond it.
    size_t size = std::min<size_t>(readable, image.size());
    std::vector<uint8_t> exact(image.begin(), image.begin() + long(size));
    return findImageEnd(exact.data(), uint32_t(exact.size()));
}

TEST(FindImageEnd, EndsAtTheLastSectionsRawData) {
    EXPECT_EQ(0xC800u, imageEndOf({{".text", 0x400, 0x9000},
                                   {".data", 0x9400, 0x1200},
                                   {".rsrc", 0xA600, 0x2200}}));
    EXPECT_EQ(0x800u, imageEndOf({{".text", 0x400, 0x200}, {".bss", 0x600, 0x200}}));
}

TEST(FindImageEnd, StaysInsideTheSectionTable) {
    // Names without a leading dot would walk the table past its end; the walk stops on the last
    // entry.
    EXPECT_EQ(
        0x1000u,
        imageEndOf({{".text", 0x400, 0x200}, {"CODE", 0x600, 0x200}, {"DATA", 0x800, 0x800}}));
    // One section: the first step would leave the table.
    EXPECT_EQ(0x600u, imageEndOf({{".text", 0x400, 0x200}}));
    EXPECT_EQ(0u, imageEndOf({}));
}

TEST(FindImageEnd, ShortHeadersYieldZero) {
    std::vector<TestSection> sections = {{".text", 0x400, 0x200}, {".data", 0x600, 0x200}};
    EXPECT_EQ(0u, imageEndOf(sections, 0x30));                 // no PE offset
    EXPECT_EQ(0u, imageEndOf(sections, 0x80 + 248 + 40));      // table cut in its second entry
    EXPECT_EQ(0x800u, imageEndOf(sections, 0x80 + 248 + 80));  // table complete
    EXPECT_EQ(0u, findImageEnd(nullptr, 0));
}

class PackageFile : public ::testing::Test {
  protected:
    std::string write(const std::vector<uint8_t>& bytes) {
        test::writeFile(folder.host("package.exe"), bytes);
        return folder.windows("package.exe");
    }
    int32_t open(const std::string& path) {
        return platform::fileOpen(path.c_str(), platform::kOpenBinary, 0);
    }
    test::TempFolder folder;
};

std::vector<uint8_t> cabinetBytes(size_t size = 64) {
    std::vector<uint8_t> cabinet(size, 0x11);
    const uint8_t signature[8] = {'M', 'S', 'C', 'F', 0, 0, 0, 0};
    std::memcpy(cabinet.data(), signature, 8);
    return cabinet;
}

std::vector<uint8_t> concat(std::vector<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(PackageFile, HeaderIsReadBehindTheImage) {
    test::HeaderFields fields;
    fields.destination = "%temp%";
    fields.setupCommand = "setup.exe /q";
    fields.cabinetCrc = 0x12345678;
    fields.promptCaption = "Caption";
    fields.promptText = "Go?";
    std::vector<uint8_t> header = test::makePackageHeader(fields);
    header[7] = 'x';  // byte 7 is not examined
    std::string path = write(concat({std::vector<uint8_t>(0x600, 0), header, cabinetBytes()}));
    int32_t file = open(path);
    PackageHeader read;
    ASSERT_TRUE(readPackageHeader(file, 0x600, &read));
    EXPECT_STREQ("%temp%", read.destination);
    EXPECT_STREQ("setup.exe /q", read.setupCommand);
    EXPECT_EQ(0x12345678u, read.cabinetCrc);
    EXPECT_STREQ("Go?", read.promptText);
    EXPECT_FALSE(readPackageHeader(file, 0x601, &read));                   // wrong magic
    EXPECT_FALSE(readPackageHeader(file, 0x600 + 512 + 64 - 511, &read));  // short read
    platform::fileClose(file);
}

TEST_F(PackageFile, FieldsWithoutTerminatorAreCut) {
    test::HeaderFields fields;
    fields.destination = std::string(260, 'd');
    fields.setupCommand = std::string(128, 's');
    fields.promptCaption = std::string(32, 'c');
    fields.promptText = std::string(64, 't');
    std::string path = write(test::makePackageHeader(fields));
    int32_t file = open(path);
    PackageHeader read;
    ASSERT_TRUE(readPackageHeader(file, 0, &read));
    platform::fileClose(file);
    EXPECT_EQ(259u, std::strlen(read.destination));
    EXPECT_EQ(127u, std::strlen(read.setupCommand));
    EXPECT_EQ(31u, std::strlen(read.promptCaption));
    EXPECT_EQ(63u, std::strlen(read.promptText));
}

TEST(ApplyPackageHeader, ReplacesEverySettingTheCommandLineMade) {
    resetRunState();
    std::strcpy(runState.settings.destination, "C:\\from\\command\\line");
    std::strcpy(runState.settings.setupCommand, "cmd.exe");
    runState.settings.deleteAfterSetup = 1;
    runState.settings.autoConfirm = 1;
    std::vector<uint8_t> bytes = test::makePackageHeader({});
    PackageHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    header.deleteAfterSetup = 1;  // forced off: no setup command
    applyPackageHeader(&header, "C:\\Pkg\\setup1.exe");
    EXPECT_STREQ("C:\\from\\command\\line", runState.settings.destination);  // empty keeps it
    EXPECT_STREQ("", runState.settings.setupCommand);
    EXPECT_EQ(0u, runState.settings.deleteAfterSetup);
    EXPECT_EQ(0u, runState.settings.autoConfirm);
    EXPECT_EQ(0u, runState.settings.openFolderAfter);  // replaces the start value 1

    std::strcpy(header.destination, "D:\\pkg");
    std::strcpy(header.setupCommand, "setup.exe");
    header.deleteAfterSetup = 1;
    header.skipDestinationDialog = 7;
    applyPackageHeader(&header, "C:\\Pkg\\setup1.exe");
    EXPECT_STREQ("D:\\pkg", runState.settings.destination);
    EXPECT_EQ(1u, runState.settings.deleteAfterSetup);
    EXPECT_EQ(7u, runState.settings.skipDestinationDialog);
}

// The fields after the destination are taken over as one block: each must land in its own setting
// (the empty destination keeps the one before).
TEST(ApplyPackageHeader, TakesOverEveryFieldAfterTheDestination) {
    resetRunState();
    test::HeaderFields fields;
    fields.setupCommand = "setup.exe /q";
    fields.autoConfirm = 2;
    fields.openFolderAfter = 3;
    fields.deleteAfterSetup = 4;
    fields.skipDestinationDialog = 5;
    fields.cabinetCrc = 0x12345678;
    fields.promptCaption = "Caption";
    fields.promptText = "Go on?";
    std::vector<uint8_t> bytes = test::makePackageHeader(fields);
    PackageHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    applyPackageHeader(&header, "C:\\Pkg\\setup1.exe");
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) \
    EXPECT_EQ(fields.name, runState.settings.name) << #name;
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) \
    EXPECT_EQ(fields.name, runState.settings.name) << #name;
#include "package/package_header_fields.inc"
}

TEST_F(PackageFile, CabinetIsFoundBehindImageAndHeader) {
    std::vector<uint8_t> image =
        test::makePeImage({{".text", 0x400, 0x200}, {".rsrc", 0x600, 0x200}});
    std::vector<uint8_t> all = concat({image, test::makePackageHeader({}), cabinetBytes(100)});
    std::string path = write(all);
    EXPECT_EQ(int32_t(all.size()), findCabinet(path.c_str(), -1));
    EXPECT_EQ(0x800 + 512, runState.cabinetOffset);
    // An open handle from the caller is used and closed.
    int32_t file = open(path);
    EXPECT_EQ(int32_t(all.size()), findCabinet(path.c_str(), file));
    EXPECT_EQ(-1, platform::fileClose(file));
}

TEST_F(PackageFile, SignatureSearchRules) {
    // Across a 32 KiB piece boundary, at every split of its eight bytes.
    for (size_t at = 32768 - 8; at <= 32768; ++at) {
        std::vector<uint8_t> bytes(at, 0x20);
        std::vector<uint8_t> all = concat({bytes, cabinetBytes(40)});
        findCabinet(write(all).c_str(), -1);
        EXPECT_EQ(int32_t(at), runState.cabinetOffset) << at;
    }
    // The letters followed by non-zero bytes are passed over.
    std::vector<uint8_t> decoy = {'M', 'S', 'C', 'F', 0, 0, 1, 0, 'M', 'S', 'C', 'F', 'M'};
    findCabinet(write(concat({decoy, cabinetBytes()})).c_str(), -1);
    EXPECT_EQ(int32_t(decoy.size()), runState.cabinetOffset);
    // A plain cabinet, and a file without any signature.
    findCabinet(write(cabinetBytes()).c_str(), -1);
    EXPECT_EQ(0, runState.cabinetOffset);
    EXPECT_EQ(5, findCabinet(write({'M', 'S', 'C', 'F', 0}).c_str(), -1));
    EXPECT_EQ(-1, runState.cabinetOffset);
    EXPECT_EQ(-1, findCabinet(folder.windows("missing.exe").c_str(), -1));
}

TEST(CabinetSignatureScanner, FindsTheSignatureFedOneByteAtATime) {
    std::vector<uint8_t> stream = concat({{'M', 'S', 'C', 'F', 0, 0, 0, 9, 'M'}, cabinetBytes(12)});
    CabinetSignatureScanner scanner;
    size_t fed = 0;
    while (fed < stream.size() && !scanner.feed(&stream[fed], 1)) ++fed;
    EXPECT_EQ(9, scanner.offset());
}

}  // namespace
}  // namespace tamrix
