#include "tools/folder_table.h"

#include "cab/cabinet_format.h"

namespace tamrix::tool {

namespace {

constexpr size_t kNameLimit = 256;  // 255 bytes and the NUL

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
    uint8_t fixed[kFixedHeaderSize];
    if (!readAt(0, fixed, sizeof fixed)) return false;
    const uint16_t folderCount = load16(fixed + header::folderCount);
    const uint16_t flags = load16(fixed + header::flags);
    uint64_t offset = kFixedHeaderSize;
    uint32_t folderReserve = 0;
    if (flags & kFlagReservePresent) {
        uint8_t sizes[kReserveRecordSize];
        if (!readAt(offset, sizes, sizeof sizes)) return false;
        folderReserve = sizes[reserve::folderSize];
        offset += kReserveRecordSize + load16(sizes + reserve::headerSize);
    }
    if ((flags & kFlagPreviousCabinet) &&
        !(skipName(readAt, &offset) && skipName(readAt, &offset))) {
        return false;
    }
    if ((flags & kFlagNextCabinet) && !(skipName(readAt, &offset) && skipName(readAt, &offset))) {
        return false;
    }
    const uint32_t entrySize = kFolderEntryFixedSize + folderReserve;
    for (uint32_t i = 0; i < folderCount; ++i) {
        uint8_t entry[kFolderEntryFixedSize];
        if (!readAt(offset + uint64_t(i) * entrySize, entry, sizeof entry)) return false;
        types->push_back(load16(entry + folder::compressionType));
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
