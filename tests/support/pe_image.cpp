#include "tests/support/pe_image.h"

#include <algorithm>
#include <cstring>

#include "tests/support/byte_fields.h"

namespace tamrix::test {

namespace {

void putText(std::vector<uint8_t>& bytes, size_t at, size_t width, const std::string& text) {
    std::memcpy(bytes.data() + at, text.data(), std::min(width, text.size()));
}

}  // namespace

std::vector<uint8_t> makePeImage(const std::vector<TestSection>& sections, uint16_t peOffset) {
    size_t tableEnd = size_t(peOffset) + 248 + sections.size() * 40;
    size_t end = tableEnd;
    for (const TestSection& section : sections) {
        end = std::max<size_t>(end, size_t(section.rawOffset) + section.rawSize);
    }
    std::vector<uint8_t> image(end);
    image[0] = 'M';
    image[1] = 'Z';
    put16(image, 0x3C, peOffset);
    putText(image, peOffset, 4, std::string("PE\0\0", 4));
    put16(image, peOffset + 4, 0x14C);
    put16(image, peOffset + 6, uint16_t(sections.size()));
    put16(image, peOffset + 20, 224);
    for (size_t i = 0; i < sections.size(); ++i) {
        size_t entry = size_t(peOffset) + 248 + i * 40;
        putText(image, entry, 8, sections[i].name);
        put32(image, entry + 16, sections[i].rawSize);
        put32(image, entry + 20, sections[i].rawOffset);
    }
    return image;
}

void setCertificateDirectory(std::vector<uint8_t>& image, uint32_t offset, uint32_t size) {
    size_t pe = get16(image, 0x3C);
    put16(image, pe + 24, 0x10B);
    put32(image, pe + 24 + 92, 16);
    put32(image, pe + 24 + 96 + 4 * 8, offset);
    put32(image, pe + 24 + 96 + 4 * 8 + 4, size);
}

std::vector<uint8_t> makePackageHeader(const HeaderFields& fields) {
    std::vector<uint8_t> header(512);
    putText(header, 0, 8, std::string("TAMRIX3\0", 8));
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) \
    putText(header, offset, size, fields.name);
#define TAMRIX_HEADER_WORD(name, offset, key, startsOn) put32(header, offset, fields.name);
#include "package/package_header_fields.inc"
    return header;
}

}  // namespace tamrix::test
