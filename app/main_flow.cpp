#include "app/main_flow.h"

#include "app/package_layout.h"
#include "app/settings.h"
#include "platform/files.h"
#include "platform/module.h"

namespace tamrix {

namespace {

// Reads the package: the own file's header when no package was named, then the cabinet's place.
// Returns the cabinet's size, or -1 when the run ends here.
int32_t readPackage(char* packagePath) {
    int32_t file = -1;
    if (!packagePath[0]) {
        if (!platform::moduleFileName(packagePath, kPathSize)) return -1;
        file = platform::fileOpen(packagePath, platform::kOpenBinary, 0);
        if (file == -1) return -1;
        int32_t size = platform::fileSeek(file, 0, 2);
        platform::ModuleImage image = platform::moduleImage();
        uint32_t imageEnd = findImageEnd(image.base, image.readable);
        if (size < 0 || uint32_t(size) <= imageEnd) {
            platform::fileClose(file);
            return -1;
        }
        PackageHeader header;
        if (readPackageHeader(file, imageEnd, &header)) applyPackageHeader(&header);
    }
    int32_t size = findCabinet(packagePath, file);
    if (size == -1 || cabinetOffset == -1) return -1;
    return size - cabinetOffset;
}

}  // namespace

void runMainFlow(char* packagePath) {
    if (readPackage(packagePath) < 0) return;
}

}  // namespace tamrix
