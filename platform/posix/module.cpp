#include "platform/module.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/host_paths.h"
#include "platform/posix/module_file.h"

namespace tamrix::platform {

namespace {

// PE headers and the section table fit in the first 64 KiB + 65,535 sections of 40 bytes.
constexpr size_t kMaxHeaderBytes = 0x10000 + 248 + 65535u * 40;

std::vector<uint8_t> imageBytes;
std::string moduleWindowsName;

}  // namespace

ModuleHandle moduleInstance = nullptr;

bool posix::setModuleFile(const char* hostPath) {
    char resolved[PATH_MAX];
    if (!::realpath(hostPath, resolved)) return false;
    FILE* file = std::fopen(resolved, "rb");
    if (!file) return false;
    std::vector<uint8_t> bytes(kMaxHeaderBytes);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    bytes.resize(got);
    imageBytes = std::move(bytes);
    moduleWindowsName = toWindowsPath(resolved);
    return true;
}

ModuleHandle moduleHandle() {
    return imageBytes.empty() ? nullptr : imageBytes.data();
}

ModuleImage moduleImage() {
    return {imageBytes.data(), uint32_t(imageBytes.size())};
}

uint32_t moduleFileName(char* out, uint32_t size) {
    if (moduleWindowsName.empty() || moduleWindowsName.size() + 1 > size) return 0;
    std::memcpy(out, moduleWindowsName.c_str(), moduleWindowsName.size() + 1);
    return uint32_t(moduleWindowsName.size());
}

}  // namespace tamrix::platform
