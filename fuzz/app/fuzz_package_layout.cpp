// Arbitrary bytes as the stub's image headers and as a package file: the image-end walk, the header
// reader and the cabinet search.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/package_layout.h"
#include "platform/files.h"
#include "state/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t imageEnd = tamrix::findImageEnd(data, uint32_t(size));

    static std::string path;
    if (path.empty()) {
        char name[] = "/tmp/tamrix-fuzz-package-XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        path = name;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::string windowsPath = "Z:" + path;
    for (char& c : windowsPath) c = c == '/' ? '\\' : c;

    int32_t handle = tamrix::platform::fileOpen(windowsPath.c_str(), 0x8000, 0);
    tamrix::PackageHeader header;
    if (tamrix::readPackageHeader(handle, imageEnd, &header))
        tamrix::applyPackageHeader(&header, "Z:\\pkg\\setup.exe");
    tamrix::findCabinet(windowsPath.c_str(), handle);
    int32_t offset = tamrix::runState.cabinetOffset;
    if (offset >= 0 && size_t(offset) + 8 > size) __builtin_trap();
    return 0;
}
