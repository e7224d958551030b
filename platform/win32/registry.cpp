#include "platform/registry.h"

#include <windows.h>

namespace tamrix::platform {

RegistryKey registryOpenKey(RegistryRoot root, const char* keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(reinterpret_cast<HKEY>(root), keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

bool registryQueryValue(RegistryKey key, const char* valueName, char* out, uint32_t* size) {
    DWORD bytes = *size;
    LONG status = RegQueryValueExA(static_cast<HKEY>(key), valueName, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(out), &bytes);
    if (status != ERROR_SUCCESS) return false;
    *size = bytes;
    return true;
}

void registryCloseKey(RegistryKey key) {
    RegCloseKey(static_cast<HKEY>(key));
}

}  // namespace tamrix::platform
