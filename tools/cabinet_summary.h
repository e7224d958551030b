// The structure of one cabinet, read without decoding anything: what `info` shows and how many
// data blocks `test` can verify by their checksums.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tamrix::tool {

struct FolderSummary {
    uint16_t compression = 0;  // the folder's compression word
    uint16_t blocks = 0;       // as its entry says
    uint32_t blocksFound = 0;  // data block headers that lie inside the file
    uint32_t blocksWithoutChecksum = 0;
};

struct CabinetSummary {
    uint32_t cabinetSize = 0;
    uint16_t version = 0;
    uint16_t flags = 0;
    uint16_t setId = 0;
    uint16_t cabinetIndex = 0;
    uint16_t headerReserve = 0;
    uint8_t folderReserve = 0;
    uint8_t blockReserve = 0;
    bool hasPrevious = false;
    std::string previousCabinet, previousDisk;  // bytes as stored
    bool hasNext = false;
    std::string nextCabinet, nextDisk;
    std::vector<FolderSummary> folders;
    uint16_t fileCount = 0;
    uint32_t filesFound = 0;  // file entries that lie inside the file
    uint64_t fileBytes = 0;   // their sizes added up

    uint32_t blocksFound() const;
    uint32_t blocksWithoutChecksum() const;
};

// Reads up to size bytes at a cabinet-relative offset; returns how many it read.
using CabinetReader = std::function<size_t(uint64_t offset, void* out, size_t size)>;

// Reads the fixed header, reserve sizes, neighbour names, folder table, file table and every data
// block header. False with a message when the fixed header is not a cabinet's; a table cut short
// by the end of the file is summarised as far as it goes.
bool summarizeCabinet(const CabinetReader& read, CabinetSummary* summary, std::string* error);

// summarizeCabinet on the cabinet that starts at offset in the file at path.
bool summarizeCabinetFile(const std::string& path, int64_t offset, CabinetSummary* summary);

// "none", "mszip", "quantum:LEVEL:WINDOW", "lzx:WINDOW", or "unknown:0xNNNN".
std::string compressionName(uint16_t compression);

}  // namespace tamrix::tool
