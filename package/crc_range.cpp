#include "package/crc_range.h"

#include "package/package_header.h"

namespace tamrix {

namespace {

uint32_t load32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Within PE32 headers, counted from the "PE\0\0" signature.
constexpr uint32_t kOptionalMagic = 24;
constexpr uint32_t kDirectoryCount = 24 + 92;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint32_t kCertificateDirectory = 4;

}  // namespace

CertificateTable findCertificateTable(const uint8_t* image, uint32_t readable) {
    if (!image || readable < 0x40) return {0, 0};
    uint32_t pe = uint32_t(image[0x3C] | image[0x3D] << 8);
    if (uint64_t(pe) + kCertificateEntryOffset + 8 > readable) return {0, 0};
    const uint8_t* headers = image + pe;
    if (load32At(headers) != 0x00004550 ||
        uint16_t(headers[kOptionalMagic] | headers[kOptionalMagic + 1] << 8) != kPe32Magic ||
        load32At(headers + kDirectoryCount) <= kCertificateDirectory) {
        return {0, 0};
    }
    return {load32At(headers + kCertificateEntryOffset),
            load32At(headers + kCertificateEntryOffset + 4)};
}

CrcRange packageCrcRange(uint32_t imageEnd, CertificateTable table, uint32_t fileSize) {
    uint64_t start = uint64_t(imageEnd) + kPackageHeaderSize;
    if (start > fileSize) return {uint32_t(start), uint32_t(start), false};
    bool signedTail =
        table.size != 0 && table.offset >= start && uint64_t(table.offset) + table.size == fileSize;
    return {uint32_t(start), signedTail ? table.offset : fileSize, signedTail};
}

}  // namespace tamrix
