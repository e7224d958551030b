#include "tools/folder_table.h"

namespace tamrix::tool {

namespace {

constexpr uint32_t kFixedHeaderSize = 36;
constexpr uint16_t kFlagPrevious = 0x0001;
constexpr uint16_t kFlagNext = 0x0002;
constexpr uint16_t kFlagReserve = 0x0004;
constexpr size_t kNameLimit = 256;  // 255 bytes and the NUL

uint16_t get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// Moves *offset past a NUL-terminated name of at most 255 bytes.
bool skipName(const CabinetReadAt& readAt, uint64_t* offset) {
    uint8_t name[kNameLimit];
    size_t available = kNameLimit;
    // The name may be the last thing in a short file: try shorter reads down to one byte.
    while (available > 0 && !readAt(*offset, name, available)) available /= 2;
    for (size_t i = 0; i < available; ++i) {
        if (name[i] == 0) {
            *offset += i + 1;
            return true;
        }
    }
    return false;
}

}  // namespace

bool readFolderTypes(const CabinetReadAt& readAt, std::vector<uint16_t>* types) {
    types->clear();
    uint8_t header[kFixedHeaderSize];
    if (!readAt(0, header, sizeof header)) return false;
    const uint16_t folderCount = get16(header + 26);
    const uint16_t flags = get16(header + 30);
    uint64_t offset = kFixedHeaderSize;
    uint32_t folderReserve = 0;
    if (flags & kFlagReserve) {
        uint8_t sizes[4];
        if (!readAt(offset, sizes, sizeof sizes)) return false;
        folderReserve = sizes[2];
        offset += 4 + get16(sizes);
    }
    if ((flags & kFlagPrevious) && !(skipName(readAt, &offset) && skipName(readAt, &offset))) {
        return false;
    }
    if ((flags & kFlagNext) && !(skipName(readAt, &offset) && skipName(readAt, &offset))) {
        return false;
    }
    const uint32_t entrySize = 8 + folderReserve;
    for (uint32_t i = 0; i < folderCount; ++i) {
        uint8_t entry[8];
        if (!readAt(offset + uint64_t(i) * entrySize, entry, sizeof entry)) return false;
        types->push_back(get16(entry + 6));
    }
    return true;
}

std::string describeCompression(uint16_t typeWord) {
    const unsigned window = (typeWord >> 8) & 0x1F;
    switch (typeWord & 0x0F) {
        case 0:
            return "none";
        case 1:
            return "mszip";
        case 2:
            return "quantum:" + std::to_string(window);
        case 3:
            return "lzx:" + std::to_string(window);
        default:
            return "unknown:" + std::to_string(typeWord & 0x0F);
    }
}

}  // namespace tamrix::tool
