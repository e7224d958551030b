#include "app/package_layout.h"

#include <cstring>

#include "paths/folder_macros.h"
#include "platform/files.h"

namespace tamrix {

namespace {

uint16_t read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t read32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr uint32_t kSectionTableOffset = 248;  // signature, file header, 224-byte optional header
constexpr uint32_t kSectionEntrySize = 40;

// Header fields are copied into buffers of the same width: a field without a NUL loses its last byte.
void terminateField(char* field, size_t size) { field[size - 1] = 0; }

}  // namespace

uint32_t findImageEnd(const uint8_t* image, uint32_t readable) {
    if (!image || readable < 0x40) return 0;
    uint32_t peHeader = read16(image + 0x3C);
    if (uint64_t(peHeader) + 8 > readable) return 0;
    uint32_t sections = read16(image + peHeader + 6);
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
    return read32(reached + 20) + read32(reached + 16);
}

bool readPackageHeader(int32_t file, uint32_t imageEnd, PackageHeader* header) {
    if (platform::fileSeek(file, int32_t(imageEnd), 0) != int32_t(imageEnd)) return false;
    if (platform::fileRead(file, header, kPackageHeaderSize) != int32_t(kPackageHeaderSize)) {
        return false;
    }
    if (std::memcmp(header->magic, kPackageMagic, 7) != 0) return false;
    terminateField(header->destination, sizeof header->destination);
    terminateField(header->setupCommand, sizeof header->setupCommand);
    terminateField(header->promptCaption, sizeof header->promptCaption);
    terminateField(header->promptText, sizeof header->promptText);
    return true;
}

bool applyPackageHeader(PackageHeader* header, const char* packagePath) {
    if (!header->setupCommand[0]) header->deleteAfterSetup = 0;
    bool uniqueTemporaryFolder = expandFolderMacro(settings.destination, header->destination,
                                                   header->deleteAfterSetup, packagePath) != 0;
    std::memcpy(settings.setupCommand, header->setupCommand, sizeof settings.setupCommand);
    settings.autoConfirm = header->autoConfirm;
    settings.openFolderAfter = header->openFolderAfter;
    settings.deleteAfterSetup = header->deleteAfterSetup;
    settings.skipDestinationDialog = header->skipDestinationDialog;
    settings.cabinetCrc = header->cabinetCrc;
    std::memcpy(settings.promptCaption, header->promptCaption, sizeof settings.promptCaption);
    std::memcpy(settings.promptText, header->promptText, sizeof settings.promptText);
    return uniqueTemporaryFolder;
}

// The signature is tested as two words so that the stub's image never holds its eight bytes in a
// row: otherwise the search would find the stub itself before the appended cabinet.
namespace {
constexpr uint32_t kSignatureWord = 0x4643534D;  // "MSCF"

bool isSignatureAt(const uint8_t* p) { return read32(p) == kSignatureWord && read32(p + 4) == 0; }
}  // namespace

bool CabinetSignatureScanner::feed(const uint8_t* piece, uint32_t size) {
    if (found()) return true;
    // Candidates that begin in the carried tail of the previous pieces.
    uint8_t seam[14];
    std::memcpy(seam, carry_, carried_);
    uint32_t head = size < 7 ? size : 7;
    std::memcpy(seam + carried_, piece, head);
    for (uint32_t start = 0; start < carried_ && start + 8 <= carried_ + head; ++start) {
        if (isSignatureAt(seam + start)) {
            offset_ = consumed_ - (carried_ - start);
            return true;
        }
    }
    for (uint32_t start = 0; start + 8 <= size; ++start) {
        const void* hit = std::memchr(piece + start, 'M', size - 7 - start);
        if (!hit) break;
        start = uint32_t(static_cast<const uint8_t*>(hit) - piece);
        if (isSignatureAt(piece + start)) {
            offset_ = consumed_ + start;
            return true;
        }
    }
    // Keep the stream's last seven bytes for a match across the boundary.
    uint8_t tail[14];
    std::memcpy(tail, carry_, carried_);
    uint32_t take = size < 7 ? size : 7;
    std::memcpy(tail + carried_, piece + size - take, take);
    uint32_t total = carried_ + take;
    carried_ = total < 7 ? total : 7;
    std::memcpy(carry_, tail + total - carried_, carried_);
    consumed_ += size;
    return false;
}

int32_t findCabinet(const char* path, int32_t openHandle) {
    int32_t file = openHandle;
    if (file == -1) {
        file = platform::fileOpen(path, platform::kOpenBinary | platform::kOpenSequential, 0);
        if (file == -1) return -1;
    }
    int32_t size = platform::fileSeek(file, 0, 2);
    platform::fileSeek(file, 0, 0);
    cabinetOffset = -1;
    static uint8_t piece[kCabinetSearchPiece];
    CabinetSignatureScanner scanner;
    for (;;) {
        int32_t got = platform::fileRead(file, piece, kCabinetSearchPiece);
        if (got <= 0) break;
        if (scanner.feed(piece, uint32_t(got))) {
            cabinetOffset = int32_t(scanner.offset());
            break;
        }
    }
    platform::fileClose(file);
    return size;
}

}  // namespace tamrix
