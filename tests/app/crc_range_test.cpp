// Which bytes a package's CRC covers, signed or not.
#include "package/crc_range.h"

#include <gtest/gtest.h>

#include "tests/support/pe_image.h"

namespace tamrix {
namespace {

constexpr uint32_t kImageEnd = 0x1000;
constexpr uint32_t kStart = kImageEnd + 512;

std::vector<uint8_t> image() {
    return test::makePeImage({{".text", 0x400, 0x800}, {".data", 0xC00, 0x400}});
}

TEST(CertificateTable, ReadFromDataDirectoryFourOfPe32Headers) {
    std::vector<uint8_t> bytes = image();
    CertificateTable none = findCertificateTable(bytes.data(), uint32_t(bytes.size()));
    EXPECT_EQ(0u, none.offset);
    EXPECT_EQ(0u, none.size);

    test::setCertificateDirectory(bytes, 0x2000, 0x5A8);
    CertificateTable table = findCertificateTable(bytes.data(), uint32_t(bytes.size()));
    EXPECT_EQ(0x2000u, table.offset);
    EXPECT_EQ(0x5A8u, table.size);

    // Headers cut short before the entry, fewer than five directories, or not PE32: none.
    EXPECT_EQ(0u, findCertificateTable(bytes.data(), 0x80 + 24 + 96 + 4 * 8 + 7).size);
    std::vector<uint8_t> fewer = bytes;
    fewer[0x80 + 24 + 92] = 4;
    EXPECT_EQ(0u, findCertificateTable(fewer.data(), uint32_t(fewer.size())).size);
    std::vector<uint8_t> pe32plus = bytes;
    pe32plus[0x80 + 25] = 0x02;
    EXPECT_EQ(0u, findCertificateTable(pe32plus.data(), uint32_t(pe32plus.size())).size);
    std::vector<uint8_t> notPe = bytes;
    notPe[0x80] = 'X';
    EXPECT_EQ(0u, findCertificateTable(notPe.data(), uint32_t(notPe.size())).size);
    std::vector<uint8_t> farPe = bytes;
    farPe[0x3C] = 0xFF;
    farPe[0x3D] = 0xFF;
    EXPECT_EQ(0u, findCertificateTable(farPe.data(), uint32_t(farPe.size())).size);
    EXPECT_EQ(0u, findCertificateTable(nullptr, 0).size);
}

struct RangeCase {
    const char* what;
    CertificateTable table;
    uint32_t fileSize;
    uint32_t end;
};

TEST(PackageCrcRange, OnlyATableAtTheEndBehindTheCabinetIsLeftOut) {
    const RangeCase cases[] = {
        {"unsigned", {0, 0}, 0x3000, 0x3000},
        {"signed", {0x2800, 0x800}, 0x3000, 0x2800},
        {"signed, nothing between header and table", {kStart, 0x100}, kStart + 0x100, kStart},
        {"bytes appended after the table", {0x2800, 0x800}, 0x3001, 0x3001},
        {"table ends before the end", {0x2800, 0x7F8}, 0x3000, 0x3000},
        {"table starts inside the header", {kStart - 8, 0x100}, kStart + 0xF8, kStart + 0xF8},
        {"table starts inside the image", {0x800, 0x2800}, 0x3000, 0x3000},
        {"empty table entry", {0x3000, 0}, 0x3000, 0x3000},
        {"end wraps around 32 bits", {0xFFFFF000, 0x4000}, 0x3000, 0x3000},
    };
    for (const RangeCase& c : cases) {
        CrcRange range = packageCrcRange(kImageEnd, c.table, c.fileSize);
        EXPECT_EQ(kStart, range.start) << c.what;
        EXPECT_EQ(c.end, range.end) << c.what;
        EXPECT_EQ(c.end != c.fileSize, range.certificateExcluded) << c.what;
    }
    // Nothing after the header: an empty range, never an inverted one.
    CrcRange empty = packageCrcRange(kImageEnd, {0, 0}, kImageEnd + 100);
    EXPECT_EQ(empty.start, empty.end);
    CrcRange huge = packageCrcRange(0xFFFFFF00, {0, 0}, 0x1000);
    EXPECT_EQ(huge.start, huge.end);
}

}  // namespace
}  // namespace tamrix
