#include "tests/support/memory_callbacks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tamrix::test {

namespace {

MemoryWorld* current = nullptr;

void note(const std::string& event) {
    if (current->log) current->log->push_back(event);
}

void* memoryAlloc(uint32_t size) {
    MemoryWorld& w = *current;
    ++w.allocations;
    if (w.failAllocation == w.allocations) return nullptr;
    if (w.failAllocationsOfSize != 0 && size == w.failAllocationsOfSize) return nullptr;
    void* block = std::malloc(size ? size : 1);
    // Fill with junk so code that relies on zeroed memory shows.
    std::memset(block, 0xCD, size);
    w.liveBlocks[block] = size;
    return block;
}

void memoryFree(void* block) {
    MemoryWorld& w = *current;
    ++w.frees;
    if (w.liveBlocks.erase(block) == 0) {
        ++w.badFrees;
        return;
    }
    std::free(block);
}

int32_t memoryOpen(const char* path, int32_t, int32_t) {
    MemoryWorld& w = *current;
    w.opened.push_back(path);
    note(std::string("open ") + path);
    if (w.failOpen.count(path) || !w.files.count(path)) return -1;
    const int32_t handle = w.nextHandle++;
    w.handles[handle] = OpenFile{path, false, 0};
    return handle;
}

int32_t memoryRead(int32_t handle, void* buffer, uint32_t count) {
    MemoryWorld& w = *current;
    ++w.reads;
    if (w.failRead == w.reads) return -1;
    auto found = w.handles.find(handle);
    if (found == w.handles.end() || found->second.target) return -1;
    const auto& data = w.files[found->second.name];
    size_t position = found->second.position;
    size_t n = position >= data.size() ? 0 : std::min<size_t>(count, data.size() - position);
    if (n) std::memcpy(buffer, data.data() + position, n);
    found->second.position += n;
    w.bytesRead += n;
    return int32_t(n);
}

int32_t memoryWrite(int32_t handle, const void* buffer, uint32_t count) {
    MemoryWorld& w = *current;
    auto found = w.handles.find(handle);
    if (found == w.handles.end() || !found->second.target) return -1;
    note("write " + std::to_string(count));
    uint32_t n = w.shortWrites && count > 0 ? count - 1 : count;
    auto& data = w.written[found->second.name];
    data.insert(data.end(), static_cast<const uint8_t*>(buffer),
                static_cast<const uint8_t*>(buffer) + n);
    return int32_t(n);
}

int32_t memoryClose(int32_t handle) {
    MemoryWorld& w = *current;
    auto found = w.handles.find(handle);
    if (found == w.handles.end()) {
        ++w.badCloses;
        return -1;
    }
    note(found->second.target ? "close target" : "close");
    const bool cabinet = !found->second.target;
    w.handles.erase(found);
    return cabinet && w.failCabinetClose ? -1 : 0;
}

int32_t memorySeek(int32_t handle, int32_t offset, int32_t origin) {
    MemoryWorld& w = *current;
    auto found = w.handles.find(handle);
    if (found == w.handles.end()) return -1;
    int64_t position = origin == kSeekSet   ? offset
                       : origin == kSeekCur ? int64_t(found->second.position) + offset
                                            : -1;
    if (position < 0) return -1;
    found->second.position = size_t(position);
    return int32_t(position);
}

}  // namespace

int32_t MemoryWorld::createTarget(const std::string& name) {
    const int32_t handle = nextHandle++;
    handles[handle] = OpenFile{name, true, 0};
    written[name];
    return handle;
}

MemoryWorld& resetWorld() {
    static MemoryWorld storage;
    for (auto& [block, size] : storage.liveBlocks) std::free(block);
    storage = MemoryWorld{};
    current = &storage;
    return storage;
}

MemoryWorld& world() {
    return *current;
}

DecoderCallbacks memoryCallbacks() {
    return DecoderCallbacks{memoryAlloc, memoryFree,  memoryOpen, memoryRead,
                            memoryWrite, memoryClose, memorySeek};
}

}  // namespace tamrix::test
