// The on-disk structures of a cabinet: sizes, field offsets and the little-endian reads of them.
#pragma once

#include <cstdint>

#include "codecs/little_endian.h"

namespace tamrix {

constexpr uint32_t kCabinetSignature = 0x4643534D;  // "MSCF" as a little-endian word
constexpr uint16_t kCabinetVersion = 0x0103;

constexpr uint32_t kFixedHeaderSize = 36;
constexpr uint32_t kReserveRecordSize = 4;
constexpr uint32_t kFolderEntryFixedSize = 8;
constexpr uint32_t kFileEntryFixedSize = 16;
constexpr uint32_t kDataHeaderFixedSize = 8;

constexpr uint16_t kFlagPreviousCabinet = 0x0001;
constexpr uint16_t kFlagNextCabinet = 0x0002;
constexpr uint16_t kFlagReservePresent = 0x0004;

constexpr uint16_t kNoFolder = 0xFFFF;
constexpr uint16_t kContinuedFromPrevious = 0xFFFD;
constexpr uint16_t kContinuedToNext = 0xFFFE;
constexpr uint16_t kContinuedBoth = 0xFFFF;  // from the previous cabinet and into the next
constexpr uint16_t kAnyCabinetIndex = 0xFFFF;

// Name strings: up to 255 bytes and their NUL, read with one 256-byte read.
constexpr uint32_t kNameReadSize = 256;

// 0xFFFD and 0xFFFF both count as continued from the previous cabinet.
constexpr bool continuedFromPrevious(uint16_t folderIndex) {
    return (folderIndex & kContinuedFromPrevious) == kContinuedFromPrevious;
}
// 0xFFFE and 0xFFFF both count as continued into the next cabinet.
constexpr bool continuedToNext(uint16_t folderIndex) {
    return (folderIndex & kContinuedToNext) == kContinuedToNext;
}
// 0xFFFD to 0xFFFF: part of the entry's data lies in another cabinet of the set.
constexpr bool continuedAcross(uint16_t folderIndex) {
    return folderIndex >= kContinuedFromPrevious;
}

// Field offsets within the fixed header.
namespace header {
constexpr uint32_t signature = 0;
constexpr uint32_t firstReserved = 4;  // zero where a package carries the cabinet
constexpr uint32_t cabinetSize = 8;
constexpr uint32_t filesOffset = 16;
constexpr uint32_t version = 24;
constexpr uint32_t folderCount = 26;
constexpr uint32_t fileCount = 28;
constexpr uint32_t flags = 30;
constexpr uint32_t setId = 32;
constexpr uint32_t cabinetIndex = 34;
}  // namespace header

// Within the reserve-size record.
namespace reserve {
constexpr uint32_t headerSize = 0;
constexpr uint32_t folderSize = 2;
constexpr uint32_t dataSize = 3;
}  // namespace reserve

// Within a folder entry.
namespace folder {
constexpr uint32_t firstBlockOffset = 0;
constexpr uint32_t blockCount = 4;
constexpr uint32_t compressionType = 6;
}  // namespace folder

// Within the fixed part of a file entry.
namespace file {
constexpr uint32_t fileSize = 0;
constexpr uint32_t folderOffset = 4;
constexpr uint32_t folderIndex = 8;
constexpr uint32_t date = 10;
constexpr uint32_t time = 12;
constexpr uint32_t attributes = 14;
}  // namespace file

// Within a data block header.
namespace block {
constexpr uint32_t checksum = 0;
constexpr uint32_t compressedSize = 4;
constexpr uint32_t uncompressedSize = 6;
}  // namespace block

// File attribute bit that asks for the file to be run after extraction.
constexpr uint16_t kAttributeExecute = 0x40;

}  // namespace tamrix
