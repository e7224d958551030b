// Feeds arbitrary bytes to the engine as one cabinet and as a set of two: the first two bytes
// say where the input is cut into "a.cab" and "b.cab". Both cabinets are copied with one context
// (as the tool copies a set), then the context is destroyed; memory and handles must balance.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cab/decoder.h"
#include "codecs/little_endian.h"

namespace {

using namespace tamrix;

struct MemoryFile {
    const uint8_t* data;
    size_t size;
};

MemoryFile files[2];
struct Handle {
    bool open;
    bool target;
    int file;
    size_t position;
};
constexpr int kMaxHandles = 16;
Handle handles[kMaxHandles];
long liveBlocks = 0;

void* fuzzAlloc(uint32_t size) {
    ++liveBlocks;
    return std::malloc(size ? size : 1);
}
void fuzzFree(void* block) {
    if (block) --liveBlocks;
    std::free(block);
}

int32_t newHandle(bool target, int file) {
    for (int i = 0; i < kMaxHandles; ++i) {
        if (!handles[i].open) {
            handles[i] = Handle{true, target, file, 0};
            return i;
        }
    }
    return -1;
}

Handle* lookUp(int32_t handle) {
    if (handle < 0 || handle >= kMaxHandles || !handles[handle].open) std::abort();
    return &handles[handle];
}

int32_t fuzzOpen(const char* path, int32_t, int32_t) {
    if (!std::strcmp(path, "a.cab")) return newHandle(false, 0);
    if (!std::strcmp(path, "b.cab")) return newHandle(false, 1);
    return -1;
}

int32_t fuzzRead(int32_t handle, void* buffer, uint32_t count) {
    Handle* h = lookUp(handle);
    if (h->target) std::abort();
    const MemoryFile& file = files[h->file];
    size_t n = h->position >= file.size ? 0 : file.size - h->position;
    if (n > count) n = count;
    std::memcpy(buffer, file.data + h->position, n);
    h->position += n;
    return int32_t(n);
}

int32_t fuzzWrite(int32_t handle, const void* buffer, uint32_t count) {
    Handle* h = lookUp(handle);
    if (!h->target || count > 32768) std::abort();
    // Touch every byte so the sanitizers see reads of uninitialised or freed memory.
    volatile uint8_t sink = 0;
    for (uint32_t i = 0; i < count; ++i) sink = sink ^ static_cast<const uint8_t*>(buffer)[i];
    return int32_t(count);
}

int32_t fuzzClose(int32_t handle) {
    lookUp(handle)->open = false;
    return 0;
}

int32_t fuzzSeek(int32_t handle, int32_t offset, int32_t origin) {
    Handle* h = lookUp(handle);
    int64_t position = origin == kSeekSet ? offset : int64_t(h->position) + offset;
    if (position < 0) return -1;
    h->position = size_t(position);
    return int32_t(position);
}

int fileBegins = 0;

int32_t handler(CopyNotification kind, NotificationRecord* record) {
    switch (kind) {
        case FileBegin:
            // Skip every third file so the in-flight skips are exercised too.
            return ++fileBegins % 3 == 0 ? 0 : newHandle(true, -1);
        case FileEnd:
            lookUp(record->handle)->open = false;
            return 1;
        case CabinetNeeded:
            if (record->error != Ok) return -1;
            // Both names lead to the second cabinet, whatever the first one says.
            std::strcpy(record->name3, "");
            return 0;
        default:
            return 0;
    }
}

int32_t hook(DataHookRecord* record) {
    if (record->kind == HookBlock) {
        volatile uint8_t sink = 0;
        for (uint32_t i = 0; i < record->dataSize - record->partOffset; ++i)
            sink = sink ^ record->data[i];
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    size_t cut = tamrix::load16(data);
    data += 2;
    size -= 2;
    if (cut > size) cut = size;
    files[0] = MemoryFile{data, cut};
    files[1] = MemoryFile{data + cut, size - cut};
    std::memset(handles, 0, sizeof handles);
    fileBegins = 0;

    DecoderErrorRecord error{};
    DecoderCallbacks callbacks{fuzzAlloc, fuzzFree,  fuzzOpen, fuzzRead,
                               fuzzWrite, fuzzClose, fuzzSeek};
    CabinetDecoder* decoder = createDecoder(callbacks, -1, &error);
    if (!decoder) return 0;
    copyCabinet(decoder, "a.cab", "", 0, handler, hook, nullptr);
    copyCabinet(decoder, "b.cab", "", 0, handler, nullptr, nullptr);
    destroyDecoder(decoder);
    for (const Handle& h : handles) {
        if (h.open) std::abort();  // a handle left open
    }
    // A codec that refuses to be destroyed keeps its memory; the engine frees everything else.
    if (liveBlocks != 0 && error.code != CodecFailed) std::abort();
    liveBlocks = 0;
    return 0;
}
