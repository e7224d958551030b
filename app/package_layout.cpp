#include "app/package_layout.h"

#include <cstddef>
#include <cstring>

#include "paths/folder_macros.h"
#include "platform/files.h"
#include "state/run_state.h"

namespace tamrix {

namespace {

// Header fields are copied into buffers of the same width: a field without a NUL loses its last
// byte.
void terminateField(char* field, size_t size) {
    field[size - 1] = 0;
}

}  // namespace

bool readPackageHeader(int32_t file, uint32_t imageEnd, PackageHeader* header) {
    if (platform::fileSeek(file, int32_t(imageEnd), 0) != int32_t(imageEnd)) return false;
    if (platform::fileRead(file, header, kPackageHeaderSize) != int32_t(kPackageHeaderSize)) {
        return false;
    }
    if (std::memcmp(header->magic, kPackageMagic, 7) != 0) return false;
#define TAMRIX_HEADER_TEXT(name, offset, size, key, what) \
    terminateField(header->name, sizeof header->name);
#include "package/package_header_fields.inc"
    return true;
}

bool applyPackageHeader(PackageHeader* header, const char* packagePath) {
    if (!header->setupCommand[0]) header->deleteAfterSetup = 0;
    bool uniqueTemporaryFolder =
        expandFolderMacro(runState.settings.destination, header->destination,
                          header->deleteAfterSetup, packagePath) != 0;
    // Settings is laid out as the header after its magic (state/settings.h): the fields after the
    // destination, which the folder macros made, are taken over as one block.
    static_assert(offsetof(Settings, destination) == 0);
    constexpr size_t kSkipped = sizeof Settings::destination;
    std::memcpy(reinterpret_cast<char*>(&runState.settings) + kSkipped,
                reinterpret_cast<const char*>(header) + sizeof header->magic + kSkipped,
                sizeof(Settings) - kSkipped);
    return uniqueTemporaryFolder;
}

int32_t findCabinet(const char* path, int32_t openHandle) {
    int32_t file = openHandle;
    if (file == -1) {
        file = platform::fileOpen(path, platform::kOpenBinary | platform::kOpenSequential, 0);
        if (file == -1) return -1;
    }
    int32_t size = platform::fileSeek(file, 0, 2);
    platform::fileSeek(file, 0, 0);
    runState.cabinetOffset = -1;
    static uint8_t piece[kCabinetSearchPiece];
    CabinetSignatureScanner scanner;
    for (;;) {
        int32_t got = platform::fileRead(file, piece, kCabinetSearchPiece);
        if (got <= 0) break;
        if (scanner.feed(piece, uint32_t(got))) {
            runState.cabinetOffset = int32_t(scanner.offset());
            break;
        }
    }
    platform::fileClose(file);
    return size;
}

}  // namespace tamrix
