#include "platform/module.h"

#include <windows.h>

namespace tamrix::platform {

ModuleHandle moduleInstance = nullptr;

ModuleHandle moduleHandle() {
    return GetModuleHandleA(nullptr);
}

ModuleImage moduleImage() {
    const uint8_t* base =
        static_cast<const uint8_t*>(static_cast<void*>(GetModuleHandleA(nullptr)));
    // The headers lie in the image's first mapped region; never read past it.
    MEMORY_BASIC_INFORMATION region;
    if (!VirtualQuery(base, &region, sizeof region)) return {base, 0};
    return {base, uint32_t(region.RegionSize)};
}

uint32_t moduleFileName(char* out, uint32_t size) {
    DWORD length = GetModuleFileNameA(nullptr, out, size);
    return length < size ? length : 0;
}

}  // namespace tamrix::platform
