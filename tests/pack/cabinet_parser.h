// Reads back the cabinets the writer makes, independently of the engine: every structure as
// written, the block checksums, and the folders' streams for stored and MSZIP data (through
// zlib's inflate).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamrix::test {

struct ParsedBlock {
    uint32_t offset;  // of its header
    uint32_t checksum;
    uint16_t compressedSize;
    uint16_t uncompressedSize;
    std::vector<uint8_t> data;
};

struct ParsedFolder {
    uint32_t firstBlockOffset;
    uint16_t blockCount;
    uint16_t typeWord;
    std::vector<ParsedBlock> blocks;
};

struct ParsedFile {
    uint32_t size;
    uint32_t folderOffset;
    uint16_t folderIndex;
    uint16_t date;
    uint16_t time;
    uint16_t attributes;
    std::string name;
};

struct ParsedCabinet {
    uint32_t reserved1, cabinetSize, reserved2, filesOffset, reserved3;
    uint16_t version, folderCount, fileCount, flags, setId, cabinetIndex;
    std::vector<ParsedFolder> folders;
    std::vector<ParsedFile> files;
    uint32_t endOfFileTable;
};

// Fails the current test (and returns false) on any structural fault.
bool parseCabinet(const std::vector<uint8_t>& bytes, ParsedCabinet* cabinet);

// The block checksum as the format defines it (data, then the header's size words).
bool blockChecksumMatches(const ParsedBlock& block);

// Decodes a stored or MSZIP folder into its stream; each MSZIP block must be "CK" and a raw
// deflate stream ending in a final block, with the previous block as its only history.
bool decodeFolder(const ParsedFolder& folder, std::vector<uint8_t>* stream);

// The bytes of one file, taken from its folder's decoded stream.
std::vector<uint8_t> fileBytes(const ParsedCabinet& cabinet, size_t file);

}  // namespace tamrix::test
