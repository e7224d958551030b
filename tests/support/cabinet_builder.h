// Builds cabinets byte by byte for tests: folders with any blocks, files at any offsets and in any
// order, reserve areas, checksums, attributes, sets with continued files and split blocks, and
// deliberately broken variants. Written from the format description, independent of the engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cab/cabinet_format.h"

namespace tamrix::test {

using Bytes = std::vector<uint8_t>;

struct TestBlock {
    Bytes data;                                      // the block's (compressed) bytes
    uint16_t uncompressedSize;                       // 0 marks the first part of a split block
    Bytes reserve;                                   // resized to the cabinet's data reserve size
    bool withChecksum = true;                        // false writes 0 (no checksum)
    uint32_t checksumXor = 0;                        // non-zero spoils the written checksum
    std::optional<uint16_t> compressedSizeOverride;  // written instead of data.size()
};

struct TestFolder {
    uint16_t typeWord = 0;
    std::vector<TestBlock> blocks;
    Bytes reserve;  // resized to the cabinet's folder reserve size
    std::optional<uint16_t> blockCountOverride;
    std::optional<uint32_t> firstBlockOffsetOverride;
};

struct TestFile {
    std::string name;
    uint32_t size = 0;
    uint32_t folderOffset = 0;
    uint16_t folderIndex = 0;
    uint16_t date = 0x5A21;  // 2025-01-01
    uint16_t time = 0x6000;  // 12:00:00
    uint16_t attributes = 0x20;
    bool terminateName = true;  // false leaves the name without its NUL (a broken entry)
};

struct TestCabinet {
    uint16_t version = 0x0103;
    uint32_t signature = kCabinetSignature;
    uint16_t setId = 0x1234;
    uint16_t cabinetIndex = 0;
    uint16_t extraFlags = 0;  // OR-ed into the flags word as written
    bool reservePresent = false;
    Bytes headerReserve;
    uint8_t folderReserveSize = 0;
    uint8_t dataReserveSize = 0;
    std::optional<uint16_t> headerReserveSizeOverride;  // written instead of headerReserve.size()
    std::optional<std::string> previousCabinet, previousDisk;  // present together or not at all
    std::optional<std::string> nextCabinet, nextDisk;
    std::vector<TestFolder> folders;
    std::vector<TestFile> files;
    uint32_t paddingBeforeFiles = 0;  // filler between the folder table and the file table
    uint32_t paddingBeforeData = 0;   // filler between the file table and the first block
    bool reverseFolderData = false;   // lay the folders' blocks out last folder first
    uint32_t reservedFieldValue = 0;  // written into the header's reserved words (not at 4)
};

// The block checksum, written independently of the engine's.
uint32_t referenceChecksum(const uint8_t* data, size_t count, uint32_t seed);

Bytes buildCabinet(const TestCabinet& plan);

// Deterministic pseudo-random bytes.
Bytes patternBytes(size_t count, uint32_t seed);

// Cuts a stream into stored blocks of blockSize bytes (the last one shorter).
std::vector<TestBlock> storedBlocks(const Bytes& stream, uint32_t blockSize = 32768);

// A folder of the given blocks.
TestFolder folderOf(std::vector<TestBlock> blocks, uint16_t typeWord = 0);

// A stored folder holding `contents` back to back, plus the file entries for them.
struct StoredLayout {
    TestFolder folder;
    std::vector<TestFile> files;
    Bytes stream;
};
StoredLayout layOutStored(const std::vector<std::pair<std::string, Bytes>>& contents,
                          uint16_t folderIndex = 0, uint32_t blockSize = 32768);

// Splits one block into the two parts of a split block: the first `firstPartSize` bytes (with
// uncompressedSize 0) and the rest (with the block's real uncompressedSize).
std::pair<TestBlock, TestBlock> splitBlock(const TestBlock& block, size_t firstPartSize);

}  // namespace tamrix::test
