// tamrix info FILE: the package layout as the stub sees it, one "key: value" per line.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/package_layout.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/posix/module_file.h"
#include "state/settings.h"
#include "tools/commands.h"
#include "tools/host_file.h"

namespace tamrix::tool {

namespace {

void printHeader(const PackageHeader& header) {
    std::printf("destination: %s\n", header.destination);
    std::printf("setupCommand: %s\n", header.setupCommand);
    std::printf("autoConfirm: %u\n", header.autoConfirm);
    std::printf("openFolderAfter: %u\n", header.openFolderAfter);
    std::printf("deleteAfterSetup: %u\n", header.deleteAfterSetup);
    std::printf("skipDestinationDialog: %u\n", header.skipDestinationDialog);
    std::printf("cabinetCrc: 0x%08X\n", header.cabinetCrc);
    std::printf("promptCaption: %s\n", header.promptCaption);
    std::printf("promptText: %s\n", header.promptText);
}

}  // namespace

int runInfo(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tamrix info FILE\n");
        return 2;
    }
    std::string path = windowsPathOf(argv[1]);
    int32_t file = path.empty() ? -1 : platform::fileOpen(path.c_str(), platform::kOpenBinary, 0);
    if (file == -1) {
        std::fprintf(stderr, "tamrix info: cannot open %s\n", argv[1]);
        return 1;
    }
    char magic[2] = {};
    platform::fileRead(file, magic, 2);
    bool isPackage = magic[0] == 'M' && magic[1] == 'Z';
    std::printf("kind: %s\n", isPackage ? "package" : "cabinet");
    if (isPackage) {
        platform::posix::setModuleFile(argv[1]);
        platform::ModuleImage image = platform::moduleImage();
        uint32_t imageEnd = findImageEnd(image.base, image.readable);
        std::printf("imageEnd: %u\n", imageEnd);
        PackageHeader header;
        bool valid = readPackageHeader(file, imageEnd, &header);
        std::printf("headerValid: %s\n", valid ? "yes" : "no");
        if (valid) printHeader(header);
    }
    int32_t size = findCabinet(path.c_str(), file);
    std::printf("cabinetOffset: %d\n", cabinetOffset);
    std::printf("size: %d\n", size);
    return 0;
}

}  // namespace tamrix::tool
