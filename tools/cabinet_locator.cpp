#include "tools/cabinet_locator.h"

#include <unistd.h>

#include <cerrno>

#include "cab/cabinet_format.h"
#include "package/cabinet_signature.h"

namespace tamrix::tool {

int64_t findCabinetOffset(int fd) {
    static uint8_t piece[kCabinetSearchPiece];
    CabinetSignatureScanner scanner;
    off_t position = 0;
    for (;;) {
        ssize_t got = pread(fd, piece, sizeof piece, position);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return -1;
        if (scanner.feed(piece, uint32_t(got))) return scanner.offset();
        position += got;
    }
}

int64_t locateCabinet(int fd) {
    const int64_t offset = findCabinetOffset(fd);
    if (offset >= 0) return offset;
    uint8_t start[4];
    return pread(fd, start, sizeof start, 0) == ssize_t(sizeof start) &&
                   load32(start) == kCabinetSignature
               ? 0
               : -1;
}

}  // namespace tamrix::tool
