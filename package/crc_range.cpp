#include "package/crc_range.h"

#include "codecs/little_endian.h"
#include "package/package_header.h"

namespace tamrix {

namespace {

// Within PE32 headers, counted from the "PE\0\0" signature.
constexpr uint32_t kOptionalMagic = 24;
constexpr uint32_t kDirectoryCount = 24 + 92;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint32_t kCertificateDirectory = 4;

}  // namespace

CertificateTable findCertificateTable(const uint8_t* image, uint32_t readable) {
    if (!image || readable < 0x40) return {0, 0};
    uint32_t pe = load16(image + 0x3C);
    if (uint64_t(pe) + kCertificateEntryOffset + 8 > readable) return {0, 0};
    const uint8_t* headers = image + pe;
    if (load32(headers) != 0x00004550 || load16(headers + kOptionalMagic) != kPe32Magic ||
        load32(headers + kDirectoryCount) <= kCertificateDirectory) {
        return {0, 0};
    }
    return {load32(headers + kCertificateEntryOffset),
            load32(headers + kCertificateEntryOffset + 4)};
}

CrcRange packageCrcRange(uint32_t imageEnd, CertificateTable table, uint32_t fileSize) {
    uint64_t start = uint64_t(imageEnd) + kPackageHeaderSize;
    if (start > fileSize) return {uint32_t(start), uint32_t(start), false};
    bool signedTail =
        table.size != 0 && table.offset >= start && uint64_t(table.offset) + table.size == fileSize;
    return {uint32_t(start), signedTail ? table.offset : fileSize, signedTail};
}

}  // namespace tamrix
