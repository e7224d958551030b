// Minimal PE32 images for tests of the package layout: headers and a section table, no code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamrix::test {

struct TestSection {
    std::string name;
    uint32_t rawOffset;
    uint32_t rawSize;
};

// Headers at peOffset, then the section table; the image is exactly as long as the table's end
// unless the sections' raw data reaches further (then it is zero-padded to their end).
std::vector<uint8_t> makePeImage(const std::vector<TestSection>& sections,
                                 uint16_t peOffset = 0x80);

// Marks the image as PE32 with 16 data directories and points data directory 4 (the certificate
// table that signing appends) at offset and size.
void setCertificateDirectory(std::vector<uint8_t>& image, uint32_t offset, uint32_t size);

// A 512-byte package header with the magic and the given fields.
struct HeaderFields {
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) std::string name;
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) uint32_t name = 0;
#include "package/package_header_fields.inc"
};
std::vector<uint8_t> makePackageHeader(const HeaderFields& fields);

}  // namespace tamrix::test
