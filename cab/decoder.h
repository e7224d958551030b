// The cabinet decoder engine: create a context bound to a set of callbacks, copy cabinets through
// it, destroy it. Everything the engine does with memory and files goes through the callbacks;
// failures are reported in the caller's DecoderErrorRecord.
#pragma once

#include <cstdint>

#include "codecs/callbacks.h"

namespace tamrix {

enum DecoderError : int32_t {
    Ok = 0,
    CabinetOpenFailed = 1,
    CabinetHeaderInvalid = 2,
    CabinetVersionUnsupported = 3,
    CabinetDataCorrupt = 4,
    OutOfMemory = 5,
    CodecInvalid = 6,
    CodecFailed = 7,
    TargetWriteFailed = 8,
    ReserveSizeChanged = 9,
    CabinetMismatch = 10,
    Aborted = 11,
};

// The name of an error code ("CabinetDataCorrupt"), or "Unknown" for a value outside 0..11.
const char* decoderErrorName(int32_t code);

// Owned by the caller, zeroed before use; every failure writes all three fields.
struct DecoderErrorRecord {
    int32_t code;    // a DecoderError
    int32_t detail;  // the version word found for CabinetVersionUnsupported, else 0
    int32_t failed;  // 1 after any failure
};

struct DecoderCallbacks {
    AllocFn alloc;
    FreeFn free;
    OpenFn open;
    ReadFn read;
    WriteFn write;
    CloseFn close;
    SeekFn seek;
};

enum CopyNotification : int32_t {
    CabinetOpened = 0,
    FileContinued = 1,
    FileBegin = 2,
    FileEnd = 3,
    CabinetNeeded = 4,
    FileListCheckpoint = 5,
};

// Bytes in each of the engine's name buffers: 256 characters and a NUL.
constexpr uint32_t kNameBufferSize = 257;

// One per context, refilled for every notification; fields a notification does not fill keep
// what they held. The name pointers stay valid until the next notification.
struct NotificationRecord {
    int32_t size;
    const char* name;
    const char* name2;
    // For CabinetOpened and CabinetNeeded this is the engine's cabinet folder path buffer
    // (kNameBufferSize bytes): a CabinetNeeded handler may rewrite it to name another folder.
    char* name3;
    void* user;
    int32_t handle;
    uint16_t date;
    uint16_t time;
    uint16_t attributes;
    uint16_t setId;
    uint16_t cabinetIndex;
    uint16_t folderIndex;
    int32_t error;
    // FileBegin under kCopyHandlerRange only: the entry's folder offset and size, which a handler
    // that returns a target may change to have another stretch of the folder's data written.
    uint64_t rangeStart;
    uint64_t rangeSize;
};

using CopyHandler = int32_t (*)(CopyNotification kind, NotificationRecord* record);

enum DataHookKind : int32_t {
    HookCabinet = 0,
    HookFolder = 1,
    HookBlock = 2,
};

// One per context, refilled for every call of the hook.
struct DataHookRecord {
    int32_t kind;
    void* user;
    uint8_t* reserve;  // null when the area is empty
    uint16_t reserveSize;
    union {
        uint16_t setId;        // HookCabinet
        uint16_t folderIndex;  // HookFolder
    };
    union {
        uint32_t cabinetIndex;  // HookCabinet
        uint8_t* data;          // HookBlock: this part's bytes, which the hook may change in place
    };
    uint16_t dataSize;  // HookBlock: bytes of the block so far (both parts of a split block)
    int32_t split;      // HookBlock: non-zero for either part of a split block
    uint16_t partOffset;
};

using DataHook = int32_t (*)(DataHookRecord* record);

struct CabinetDecoder;

// Returns null (error record filled with OutOfMemory) when the context cannot be allocated.
CabinetDecoder* createDecoder(AllocFn alloc, FreeFn free, OpenFn open, ReadFn read, WriteFn write,
                              CloseFn close, SeekFn seek, int32_t cpuType,
                              DecoderErrorRecord* error);
CabinetDecoder* createDecoder(const DecoderCallbacks& callbacks, int32_t cpuType,
                              DecoderErrorRecord* error);

// copyCabinet flags; the stub passes 0.
// kCopyHandlerRange lets the FileBegin handler choose the stretch of the folder written to the
// target (rangeStart, rangeSize), so that a caller can decode each folder once in order.
constexpr int32_t kCopyHandlerRange = 0x0001;

// cabinetPath ends in a separator: it is simply joined with cabinetName.
// Returns false with the error record filled on failure; both cabinet handles are closed on return.
bool copyCabinet(CabinetDecoder* decoder, const char* cabinetName, const char* cabinetPath,
                 int32_t flags, CopyHandler handler, DataHook hook, void* user);

// Releases the codec, the buffers and any open cabinet handle, then the context. Always true.
bool destroyDecoder(CabinetDecoder* decoder);

}  // namespace tamrix
