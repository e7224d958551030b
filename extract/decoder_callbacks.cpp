#include "extract/decoder_callbacks.h"

#include <cstdlib>

#include "platform/files.h"
#include "state/run_state.h"
#include "ui/progress_window.h"

namespace tamrix {

void* decoderAlloc(uint32_t size) {
    return std::malloc(size);
}

void decoderFree(void* block) {
    std::free(block);
}

namespace {
bool isSlotted(int32_t handle) {
    return handle != -1 &&
           (handle == runState.cabinetHandles[0] || handle == runState.cabinetHandles[1]);
}
}  // namespace

int32_t decoderOpen(const char* path, int32_t flags, int32_t mode) {
    // The Quantum codec's scratch-file request ("*" and its window size) is not served here: the
    // platform takes no "*" in a file name, so the codec gets no scratch file.
    if (path[0] == '*') return -1;
    int32_t handle = platform::fileOpen(path, flags, mode);
    if (handle == -1) return -1;
    if (runState.cabinetOffset == 0 || (flags & platform::kOpenWriteOnly)) return handle;
    platform::fileSeek(handle, runState.cabinetOffset, 0);
    if (runState.cabinetHandles[0] == -1) {
        runState.cabinetHandles[0] = handle;
    } else if (runState.cabinetHandles[1] == -1) {
        runState.cabinetHandles[1] = handle;
    }
    return handle;
}

int32_t decoderRead(int32_t handle, void* buffer, uint32_t count) {
    if (runState.cancelRequested.load(std::memory_order_relaxed)) return -1;
    int32_t got = platform::fileRead(handle, buffer, count);
    if (runState.progressWindow) {
        if (got > 0) runState.cabinetBytesRead += uint32_t(got);
        platform::sendMessage(runState.progressWindow, kMsgProgress, 0,
                              intptr_t(runState.cabinetBytesRead >> 10));
    }
    return got;
}

int32_t decoderWrite(int32_t handle, const void* buffer, uint32_t count) {
    if (runState.cancelRequested.load(std::memory_order_relaxed)) return -1;
    return platform::fileWrite(handle, buffer, count);
}

int32_t decoderClose(int32_t handle) {
    if (handle == runState.cabinetHandles[0]) {
        runState.cabinetHandles[0] = -1;
    } else if (handle == runState.cabinetHandles[1]) {
        runState.cabinetHandles[1] = -1;
    }
    return platform::fileClose(handle);
}

int32_t decoderSeek(int32_t handle, int32_t offset, int32_t origin) {
    if (!isSlotted(handle)) return platform::fileSeek(handle, offset, origin);
    if (origin == 0) offset += runState.cabinetOffset;
    int32_t position = platform::fileSeek(handle, offset, origin);
    if (position == -1) return -1;
    return position - runState.cabinetOffset;
}

}  // namespace tamrix
