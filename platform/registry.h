// Reading the registry (RegOpenKeyExA, RegQueryValueExA, RegCloseKey). Nothing is ever written.
#pragma once

#include <cstdint>

namespace tamrix::platform {

using RegistryKey = void*;
using RegistryRoot = uintptr_t;
constexpr RegistryRoot kRegistryCurrentUser = 0x80000001;

// Opens a key for reading; null when it cannot be opened.
RegistryKey registryOpenKey(RegistryRoot root, const char* keyPath);
// Reads a value's data into out; size holds the buffer's size on entry and the bytes stored on
// success. False when the value is missing or larger than the buffer. The data is not
// necessarily NUL-terminated.
bool registryQueryValue(RegistryKey key, const char* valueName, char* out, uint32_t* size);
void registryCloseKey(RegistryKey key);

}  // namespace tamrix::platform
