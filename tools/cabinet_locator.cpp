#include "tools/cabinet_locator.h"

#include <unistd.h>

#include <cerrno>

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

}  // namespace tamrix::tool
