// The decoder context and the error-raising helper shared by the engine's files.
#pragma once

#include <cstdint>

#include "cab/cabinet_format.h"
#include "cab/decoder.h"
#include "codecs/codec_interface.h"

namespace tamrix {

constexpr int32_t kNoHandle = -1;
constexpr uint16_t kUnknownSize = 0xFFFF;

struct CabinetDecoder {
    // Binding.
    DecoderErrorRecord* error;
    DecoderCallbacks callbacks;
    int32_t cpuType;

    // Per copy.
    int32_t copyFlags;
    CopyHandler handler;
    DataHook hook;
    void* user;

    // Current cabinet.
    uint8_t header[kFixedHeaderSize];
    int32_t listHandle;
    int32_t dataHandle;
    uint32_t folderTablePosition;
    uint32_t filesLeft;

    // Learned layout, fixed by the first cabinet this context reads.
    bool cabinetReserveKnown;
    uint16_t cabinetReserveSize;  // kUnknownSize until known
    uint8_t* cabinetReserve;
    uint16_t folderEntrySize;  // 8 + folder reserve, kUnknownSize until known
    uint8_t* folderEntry;
    uint16_t dataHeaderSize;  // 8 + data reserve, kUnknownSize until known
    uint8_t* dataHeader;

    // Names: each read as at most 255 bytes and a NUL.
    char fileName[kNameBufferSize];
    char previousCabinet[kNameBufferSize];
    char previousDisk[kNameBufferSize];
    char nextCabinet[kNameBufferSize];
    char nextDisk[kNameBufferSize];
    char cabinetPath[kNameBufferSize];
    char joinedPath[kNameBufferSize];
    // The next cabinet's names while it is being logged in, which overwrites nextCabinet.
    char wantedCabinet[kNameBufferSize];
    char wantedDisk[kNameBufferSize];

    // Current file.
    uint8_t fileEntry[kFileEntryFixedSize];
    int32_t targetHandle;
    uint64_t pumpStart;  // the stretch of the folder written to the target: the entry's own,
    uint64_t pumpSize;   // or the handler's choice with kCopyHandlerRange

    // Current folder.
    uint16_t folderIndex;  // kNoFolder when none is open
    uint16_t blocksLeft;
    uint64_t blockStart;             // past 4 GiB when a folder holds more than 2^32 bytes
    uint32_t blockCompressedSize;    // both parts of a split block once joined
    uint32_t blockUncompressedSize;  // of the block in the output buffer

    // Codec.
    uint16_t typeWord;  // CodecUnselected when none
    const CodecOps* codec;
    FileCallbacks codecFiles;  // handed to Quantum and LZX at create; kept for their lifetime
    void* codecHandle;
    uint8_t* input;
    uint32_t inputSize;
    uint8_t* output;  // for stored data the input buffer itself
    uint32_t outputSize;

    // Continuation across cabinets.
    bool continuing;
    uint32_t pendingSkips;

    NotificationRecord note;
    DataHookRecord hookRecord;
};

// Fills the caller's error record; always returns false so failures read `return raise(...)`.
bool raise(CabinetDecoder* decoder, DecoderError code, int32_t detail = 0);

// Closes a handle if open and forgets it; returns the close result (0 when nothing was open).
int32_t closeHandle(CabinetDecoder* decoder, int32_t* handle);

}  // namespace tamrix
