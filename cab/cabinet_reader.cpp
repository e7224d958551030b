#include "cab/cabinet_reader.h"

#include <cstring>

#include "cab/block_checksum.h"

namespace tamrix {

namespace {

bool readExactly(CabinetDecoder* decoder, int32_t handle, void* buffer, uint32_t count) {
    return decoder->callbacks.read(handle, buffer, count) == int32_t(count);
}

bool seekTo(CabinetDecoder* decoder, int32_t handle, uint32_t position) {
    return position <= 0x7FFFFFFFu &&
           decoder->callbacks.seek(handle, int32_t(position), kSeekSet) != -1;
}

// Learns a reserve-dependent size from the first cabinet; later cabinets must match it.
bool learnSize(CabinetDecoder* decoder, uint16_t* learned, uint8_t** buffer, uint16_t size) {
    if (!*buffer) {
        *buffer = static_cast<uint8_t*>(decoder->callbacks.alloc(size));
        if (!*buffer) return raise(decoder, OutOfMemory);
        *learned = size;
        return true;
    }
    return *learned == size || raise(decoder, ReserveSizeChanged);
}

bool readReserve(CabinetDecoder* decoder, uint8_t* record) {
    const int32_t list = decoder->listHandle;
    if (!readExactly(decoder, list, record, kReserveRecordSize)) {
        return raise(decoder, CabinetHeaderInvalid);
    }
    // The per-cabinet reserve size is learned from the first cabinet that has one; every later
    // cabinet's area is read with that size.
    if (!decoder->cabinetReserveKnown) {
        const uint16_t size = load16(record + reserve::headerSize);
        if (size != 0) {
            decoder->cabinetReserve = static_cast<uint8_t*>(decoder->callbacks.alloc(size));
            if (!decoder->cabinetReserve) return raise(decoder, OutOfMemory);
        }
        decoder->cabinetReserveSize = size;
        decoder->cabinetReserveKnown = true;
    }
    const uint16_t size = decoder->cabinetReserveSize;
    if (size != 0 && !readExactly(decoder, list, decoder->cabinetReserve, size)) {
        return raise(decoder, CabinetHeaderInvalid);
    }
    return true;
}

bool readNamePair(CabinetDecoder* decoder, bool present, char* first, char* second) {
    if (!present) {
        first[0] = second[0] = '\0';
        return true;
    }
    return readNameString(decoder, decoder->listHandle, first) &&
           readNameString(decoder, decoder->listHandle, second);
}

}  // namespace

bool readNameString(CabinetDecoder* decoder, int32_t handle, char* buffer) {
    const int32_t start = decoder->callbacks.seek(handle, 0, kSeekCur);
    if (start == -1) return raise(decoder, CabinetDataCorrupt);
    const int32_t got = decoder->callbacks.read(handle, buffer, kNameReadSize);
    if (got <= 0) return raise(decoder, CabinetDataCorrupt);
    // Only the bytes delivered count: a short read without a NUL among them is corrupt, as is a
    // name whose NUL is not within the 256 bytes.
    const uint32_t delivered = uint32_t(got) < kNameReadSize ? uint32_t(got) : kNameReadSize;
    const void* nul = std::memchr(buffer, '\0', delivered);
    if (!nul) return raise(decoder, CabinetDataCorrupt);
    const uint32_t length = uint32_t(static_cast<const char*>(nul) - buffer);
    buffer[kNameReadSize] = '\0';
    if (!seekTo(decoder, handle, uint32_t(start) + length + 1)) {
        return raise(decoder, CabinetDataCorrupt);
    }
    return true;
}

bool readCabinetHeader(CabinetDecoder* decoder, uint16_t setId, uint16_t cabinetIndex) {
    uint8_t fixed[kFixedHeaderSize];
    if (!readExactly(decoder, decoder->listHandle, fixed, kFixedHeaderSize) ||
        load32(fixed + header::signature) != kCabinetSignature) {
        return raise(decoder, CabinetHeaderInvalid);
    }
    const uint16_t version = load16(fixed + header::version);
    if (version != kCabinetVersion) return raise(decoder, CabinetVersionUnsupported, version);
    if (cabinetIndex != kAnyCabinetIndex &&
        (load16(fixed + header::setId) != setId ||
         load16(fixed + header::cabinetIndex) != cabinetIndex)) {
        return raise(decoder, CabinetMismatch);
    }
    std::memcpy(decoder->header, fixed, kFixedHeaderSize);

    const uint16_t flags = headerField16(decoder, header::flags);
    uint8_t record[kReserveRecordSize] = {0, 0, 0, 0};
    if ((flags & kFlagReservePresent) && !readReserve(decoder, record)) return false;
    if (!learnSize(decoder, &decoder->folderEntrySize, &decoder->folderEntry,
                   uint16_t(kFolderEntryFixedSize + record[reserve::folderSize])) ||
        !learnSize(decoder, &decoder->dataHeaderSize, &decoder->dataHeader,
                   uint16_t(kDataHeaderFixedSize + record[reserve::dataSize]))) {
        return false;
    }

    if (!readNamePair(decoder, flags & kFlagPreviousCabinet, decoder->previousCabinet,
                      decoder->previousDisk) ||
        !readNamePair(decoder, flags & kFlagNextCabinet, decoder->nextCabinet, decoder->nextDisk)) {
        return false;
    }

    const int32_t folderTable = decoder->callbacks.seek(decoder->listHandle, 0, kSeekCur);
    if (folderTable == -1 ||
        !seekTo(decoder, decoder->listHandle, load32(decoder->header + header::filesOffset))) {
        return raise(decoder, CabinetDataCorrupt);
    }
    decoder->folderTablePosition = uint32_t(folderTable);
    decoder->filesLeft = headerField16(decoder, header::fileCount);
    return true;
}

bool readFileEntry(CabinetDecoder* decoder) {
    if (!readExactly(decoder, decoder->listHandle, decoder->fileEntry, kFileEntryFixedSize)) {
        return raise(decoder, CabinetDataCorrupt);
    }
    return readNameString(decoder, decoder->listHandle, decoder->fileName);
}

bool readFolderEntry(CabinetDecoder* decoder, uint16_t index) {
    // Indices beyond the folder table would read whatever lies behind it.
    if (index >= headerField16(decoder, header::folderCount)) {
        return raise(decoder, CabinetDataCorrupt);
    }
    const int32_t data = decoder->dataHandle;
    const uint64_t position =
        uint64_t(decoder->folderTablePosition) + uint64_t(index) * decoder->folderEntrySize;
    if (position > 0x7FFFFFFFu || !seekTo(decoder, data, uint32_t(position)) ||
        !readExactly(decoder, data, decoder->folderEntry, decoder->folderEntrySize) ||
        !seekTo(decoder, data, load32(decoder->folderEntry + folder::firstBlockOffset))) {
        return raise(decoder, CabinetDataCorrupt);
    }
    return true;
}

bool readBlockPart(CabinetDecoder* decoder, uint32_t partOffset) {
    const int32_t data = decoder->dataHandle;
    uint8_t* head = decoder->dataHeader;
    if (!readExactly(decoder, data, head, decoder->dataHeaderSize)) {
        return raise(decoder, CabinetDataCorrupt);
    }
    const uint32_t compressed = load16(head + block::compressedSize);
    if (partOffset + compressed > decoder->inputSize) return raise(decoder, CabinetDataCorrupt);
    uint8_t* part = decoder->input + partOffset;
    if (compressed != 0 && !readExactly(decoder, data, part, compressed)) {
        return raise(decoder, CabinetDataCorrupt);
    }
    const uint32_t stored = load32(head + block::checksum);
    if (stored != 0) {
        // Each part is checked on its own: its data, then its header from compressedSize on.
        uint32_t sum = blockChecksum(part, compressed, 0);
        sum = blockChecksum(head + block::compressedSize,
                            decoder->dataHeaderSize - block::compressedSize, sum);
        if (sum != stored) return raise(decoder, CabinetDataCorrupt);
    }
    decoder->blockCompressedSize = partOffset + compressed;
    decoder->blockUncompressedSize = load16(head + block::uncompressedSize);
    return true;
}

}  // namespace tamrix
