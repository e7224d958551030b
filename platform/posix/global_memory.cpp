#include "platform/global_memory.h"

#include <cstdlib>
#include <cstring>

namespace tamrix::platform {

namespace {
// The block remembers its size so that growing can zero the new part.
struct Block {
    uint32_t size;
    unsigned char* bytes;
};
}  // namespace

GlobalBlock globalAlloc(uint32_t size) {
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block)));
    if (!block) return nullptr;
    block->bytes = static_cast<unsigned char*>(std::calloc(size ? size : 1, 1));
    if (!block->bytes) {
        std::free(block);
        return nullptr;
    }
    block->size = size;
    return block;
}

GlobalBlock globalReAlloc(GlobalBlock handle, uint32_t size) {
    auto* block = static_cast<Block*>(handle);
    auto* bytes = static_cast<unsigned char*>(std::realloc(block->bytes, size ? size : 1));
    if (!bytes) return nullptr;
    if (size > block->size) std::memset(bytes + block->size, 0, size - block->size);
    block->bytes = bytes;
    block->size = size;
    return block;
}

void* globalLock(GlobalBlock handle) {
    return static_cast<Block*>(handle)->bytes;
}

void globalFree(GlobalBlock handle) {
    auto* block = static_cast<Block*>(handle);
    if (!block) return;
    std::free(block->bytes);
    std::free(block);
}

}  // namespace tamrix::platform
