#include "package/image_end.h"

#include "cab/cabinet_format.h"

namespace tamrix {

namespace {
constexpr uint32_t kSectionTableOffset = 248;  // signature, file header, 224-byte optional header
constexpr uint32_t kSectionEntrySize = 40;
}  // namespace

uint32_t findImageEnd(const uint8_t* image, uint32_t readable) {
    if (!image || readable < 0x40) return 0;
    uint32_t peHeader = load16(image + 0x3C);
    if (uint64_t(peHeader) + 8 > readable) return 0;
    uint32_t sections = load16(image + peHeader + 6);
    if (sections == 0) return 0;
    uint32_t table = peHeader + kSectionTableOffset;
    if (uint64_t(table) + uint64_t(sections) * kSectionEntrySize > readable) return 0;
    // Walk forward counting sections whose names begin with "."; the walk ends on the last entry
    // when all names do. It never steps past the table, whatever the names are.
    uint32_t entry = 0;
    uint32_t count = 1;
    do {
        if (entry + 1 >= sections) break;
        ++entry;
        if (image[table + entry * kSectionEntrySize] == '.') ++count;
    } while (uint16_t(count) < uint16_t(sections));
    const uint8_t* reached = image + table + entry * kSectionEntrySize;
    return load32(reached + 20) + load32(reached + 16);
}

}  // namespace tamrix
