#include "tools/cabinet_summary.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "cab/cabinet_format.h"

namespace tamrix::tool {

namespace {

// A name field: up to 255 bytes and a NUL. Returns the offset just past it, 0 when cut short.
uint64_t readName(const CabinetReader& read, uint64_t offset, std::string* name) {
    char buffer[kNameReadSize];
    size_t got = read(offset, buffer, sizeof buffer);
    for (size_t i = 0; i < got; ++i) {
        if (buffer[i] == 0) {
            name->assign(buffer, i);
            return offset + i + 1;
        }
    }
    return 0;
}

// Folders may all point at the same blocks: the walk is bounded over the whole cabinet, far above
// what a cabinet of less than 2 GiB can hold in real blocks.
constexpr uint32_t kMaxBlockHeaders = 1 << 20;

void walkBlocks(const CabinetReader& read, uint64_t offset, uint8_t reserve, FolderSummary* folder,
                uint32_t* budget) {
    for (uint32_t i = 0; i < folder->blocks && *budget; ++i, --*budget) {
        uint8_t head[kDataHeaderFixedSize];
        if (read(offset, head, sizeof head) != sizeof head) return;
        ++folder->blocksFound;
        if (load32(head + block::checksum) == 0) ++folder->blocksWithoutChecksum;
        offset += sizeof head + reserve + load16(head + block::compressedSize);
    }
}

}  // namespace

uint32_t CabinetSummary::blocksFound() const {
    uint32_t total = 0;
    for (const FolderSummary& folder : folders) total += folder.blocksFound;
    return total;
}

uint32_t CabinetSummary::blocksWithoutChecksum() const {
    uint32_t total = 0;
    for (const FolderSummary& folder : folders) total += folder.blocksWithoutChecksum;
    return total;
}

bool summarizeCabinet(const CabinetReader& read, CabinetSummary* summary, std::string* error) {
    *summary = CabinetSummary();
    uint8_t fixed[kFixedHeaderSize];
    if (read(0, fixed, sizeof fixed) != sizeof fixed || load32(fixed) != kCabinetSignature) {
        *error = "no cabinet header";
        return false;
    }
    summary->cabinetSize = load32(fixed + 8);
    summary->version = load16(fixed + header::version);
    summary->flags = load16(fixed + header::flags);
    summary->setId = load16(fixed + header::setId);
    summary->cabinetIndex = load16(fixed + header::cabinetIndex);
    summary->fileCount = load16(fixed + header::fileCount);
    uint16_t folderCount = load16(fixed + header::folderCount);
    uint64_t offset = kFixedHeaderSize;
    uint32_t blockBudget = kMaxBlockHeaders;
    if (summary->flags & kFlagReservePresent) {
        uint8_t sizes[kReserveRecordSize];
        if (read(offset, sizes, sizeof sizes) != sizeof sizes) return true;
        summary->headerReserve = load16(sizes + reserve::headerSize);
        summary->folderReserve = sizes[reserve::folderSize];
        summary->blockReserve = sizes[reserve::dataSize];
        offset += sizeof sizes + summary->headerReserve;
    }
    summary->hasPrevious = summary->flags & kFlagPreviousCabinet;
    if (summary->hasPrevious) {
        offset = readName(read, offset, &summary->previousCabinet);
        if (offset) offset = readName(read, offset, &summary->previousDisk);
    }
    summary->hasNext = summary->flags & kFlagNextCabinet;
    if (offset && summary->hasNext) {
        offset = readName(read, offset, &summary->nextCabinet);
        if (offset) offset = readName(read, offset, &summary->nextDisk);
    }
    for (uint16_t i = 0; offset && i < folderCount; ++i) {
        uint8_t entry[kFolderEntryFixedSize];
        if (read(offset, entry, sizeof entry) != sizeof entry) break;
        FolderSummary found;
        found.compression = load16(entry + folder::compressionType);
        found.blocks = load16(entry + folder::blockCount);
        walkBlocks(read, load32(entry + folder::firstBlockOffset), summary->blockReserve, &found,
                   &blockBudget);
        summary->folders.push_back(found);
        offset += sizeof entry + summary->folderReserve;
    }
    offset = load32(fixed + header::filesOffset);
    for (uint16_t i = 0; i < summary->fileCount; ++i) {
        uint8_t entry[kFileEntryFixedSize];
        std::string name;
        if (read(offset, entry, sizeof entry) != sizeof entry) break;
        offset = readName(read, offset + sizeof entry, &name);
        if (!offset) break;
        ++summary->filesFound;
        summary->fileBytes += load32(entry + file::fileSize);
    }
    return true;
}

bool summarizeCabinetFile(const std::string& path, int64_t offset, CabinetSummary* summary) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || offset < 0) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    std::string error;
    bool ok = summarizeCabinet(
        [fd, offset](uint64_t at, void* out, size_t size) {
            ssize_t got = pread(fd, out, size, off_t(uint64_t(offset) + at));
            return got < 0 ? size_t(0) : size_t(got);
        },
        summary, &error);
    ::close(fd);
    return ok;
}

std::string compressionName(uint16_t compression) {
    char text[32];
    switch (compression & 0x000F) {
        case 0:
            return "none";
        case 1:
            return "mszip";
        case 2:
            std::snprintf(text, sizeof text, "quantum:%u:%u", (compression >> 4) & 0xF,
                          (compression >> 8) & 0x1F);
            return text;
        case 3:
            std::snprintf(text, sizeof text, "lzx:%u", (compression >> 8) & 0x1F);
            return text;
        default:
            std::snprintf(text, sizeof text, "unknown:0x%04X", compression);
            return text;
    }
}

}  // namespace tamrix::tool
