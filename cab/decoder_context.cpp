#include "cab/decoder_context.h"

#include <cstring>

#include "cab/codec_selection.h"

namespace tamrix {

namespace {
constexpr const char* kErrorNames[] = {
    "Ok",
    "CabinetOpenFailed",
    "CabinetHeaderInvalid",
    "CabinetVersionUnsupported",
    "CabinetDataCorrupt",
    "OutOfMemory",
    "CodecInvalid",
    "CodecFailed",
    "TargetWriteFailed",
    "ReserveSizeChanged",
    "CabinetMismatch",
    "Aborted",
};
}  // namespace

const char* decoderErrorName(int32_t code) {
    if (code < 0 || code >= int32_t(sizeof(kErrorNames) / sizeof(kErrorNames[0]))) return "Unknown";
    return kErrorNames[code];
}

bool raise(CabinetDecoder* decoder, DecoderError code, int32_t detail) {
    decoder->error->code = code;
    decoder->error->detail = detail;
    decoder->error->failed = 1;
    return false;
}

int32_t closeHandle(CabinetDecoder* decoder, int32_t* handle) {
    if (*handle == kNoHandle) return 0;
    int32_t result = decoder->callbacks.close(*handle);
    *handle = kNoHandle;
    return result;
}

CabinetDecoder* createDecoder(const DecoderCallbacks& callbacks, int32_t cpuType,
                              DecoderErrorRecord* error) {
    auto* decoder = static_cast<CabinetDecoder*>(callbacks.alloc(sizeof(CabinetDecoder)));
    if (!decoder) {
        error->code = OutOfMemory;
        error->detail = 0;
        error->failed = 1;
        return nullptr;
    }
    std::memset(static_cast<void*>(decoder), 0, sizeof(CabinetDecoder));
    decoder->error = error;
    decoder->callbacks = callbacks;
    decoder->cpuType = cpuType;
    decoder->typeWord = CodecUnselected;
    decoder->cabinetReserveSize = kUnknownSize;
    decoder->folderEntrySize = kUnknownSize;
    decoder->dataHeaderSize = kUnknownSize;
    decoder->listHandle = kNoHandle;
    decoder->dataHandle = kNoHandle;
    decoder->targetHandle = kNoHandle;
    decoder->folderIndex = kNoFolder;
    return decoder;
}

CabinetDecoder* createDecoder(AllocFn alloc, FreeFn free, OpenFn open, ReadFn read, WriteFn write,
                              CloseFn close, SeekFn seek, int32_t cpuType,
                              DecoderErrorRecord* error) {
    return createDecoder(DecoderCallbacks{alloc, free, open, read, write, close, seek}, cpuType,
                         error);
}

bool destroyDecoder(CabinetDecoder* decoder) {
    // A codec that refuses to go leaves CodecFailed in the record; the rest is freed regardless.
    releaseCodec(decoder);
    FreeFn free = decoder->callbacks.free;
    if (decoder->cabinetReserve) free(decoder->cabinetReserve);
    if (decoder->folderEntry) free(decoder->folderEntry);
    if (decoder->dataHeader) free(decoder->dataHeader);
    closeHandle(decoder, &decoder->listHandle);
    closeHandle(decoder, &decoder->dataHandle);
    free(decoder);
    return true;
}

}  // namespace tamrix
