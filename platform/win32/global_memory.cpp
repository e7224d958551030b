#include "platform/global_memory.h"

#include <windows.h>

namespace tamrix::platform {

GlobalBlock globalAlloc(uint32_t size) {
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
}

GlobalBlock globalReAlloc(GlobalBlock block, uint32_t size) {
    // A locked movable block is unlocked first, so that it may move.
    GlobalUnlock(static_cast<HGLOBAL>(block));
    return GlobalReAlloc(static_cast<HGLOBAL>(block), size, GMEM_MOVEABLE | GMEM_ZEROINIT);
}

void* globalLock(GlobalBlock block) {
    return GlobalLock(static_cast<HGLOBAL>(block));
}

void globalFree(GlobalBlock block) {
    if (!block) return;
    GlobalUnlock(static_cast<HGLOBAL>(block));
    GlobalFree(static_cast<HGLOBAL>(block));
}

}  // namespace tamrix::platform
