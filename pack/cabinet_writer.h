// Writes files into one cabinet: a header, the folder and file tables, then each folder's data
// blocks. Everything the format cannot hold is refused by planCabinet, before a byte is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cab/cabinet_format.h"
#include "pack/cabinet_entry.h"
#include "pack/compression.h"
#include "pack/output_file.h"

namespace tamrix::pack {

constexpr uint32_t kFrameSize = 32768;
constexpr uint32_t kMaxNameBytes = 255;
constexpr uint32_t kMaxEntries = 65535;
constexpr uint32_t kMaxFolders = 65535;
// A folder counts its data blocks in 16 bits, and a file cannot leave its folder.
constexpr uint64_t kMaxFolderBytes = uint64_t(65535) * kFrameSize;

struct CabinetOptions {
    Compression compression;
    // A new folder starts before a file that would take the folder past this many bytes;
    // 0: one folder, or as few as the format's block count allows.
    uint64_t folderSize = 0;
    bool blockChecksums = true;
    // Threads compressing at once; 0: one per core. The cabinet is the same for every value.
    unsigned jobs = 0;
    // Show the progress line on standard error while the blocks are written.
    bool progress = false;
};

struct CabinetPlan {
    struct Folder {
        size_t firstEntry = 0;
        size_t entryCount = 0;
        uint64_t size = 0;  // uncompressed bytes
        uint32_t blockCount = 0;
    };
    std::vector<Folder> folders;
    std::vector<uint16_t> folderIndex;   // per entry
    std::vector<uint32_t> folderOffset;  // per entry: where it starts in its folder's stream
    uint32_t filesOffset = 0;
    uint32_t dataOffset = 0;
    uint64_t largestSize = 0;  // the cabinet's size if every block came out at its codec's limit
};

// Lays out the cabinet. sizeLimit is the largest cabinet the caller can take (0xFFFFFFFF for a
// cabinet file). False with a message for no files, too many files or folders, a name that is
// empty or over 255 bytes, a file too large for one folder, or a cabinet that could outgrow
// sizeLimit.
bool planCabinet(const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
                 uint64_t sizeLimit, CabinetPlan* plan, std::string* error);

struct CabinetResult {
    uint64_t size = 0;
    uint32_t blocks = 0;
};

// Writes the planned cabinet at out's current position. The files must still have the sizes
// they had when they were gathered; a file that changed meanwhile fails the write.
bool writeCabinet(const std::vector<CabinetEntry>& entries, const CabinetOptions& options,
                  const CabinetPlan& plan, OutputFile* out, CabinetResult* result,
                  std::string* error);

}  // namespace tamrix::pack
