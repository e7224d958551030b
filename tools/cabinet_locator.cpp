#include "tools/cabinet_locator.h"

#include <unistd.h>

#include <cstring>

namespace tamrix::tool {

namespace {
constexpr size_t kPieceSize = 32768;
constexpr unsigned char kSignature[8] = {'M', 'S', 'C', 'F', 0, 0, 0, 0};
constexpr size_t kCarry = sizeof(kSignature) - 1;
}  // namespace

int64_t findCabinetOffset(int fd) {
    // The window keeps the last 7 bytes of the previous piece in front of the new one.
    unsigned char window[kCarry + kPieceSize];
    size_t kept = 0;
    int64_t windowStart = 0;  // file offset of window[0]
    if (lseek(fd, 0, SEEK_SET) != 0) return -1;
    for (;;) {
        ssize_t got = read(fd, window + kept, kPieceSize);
        if (got < 0) return -1;
        if (got == 0) return -1;
        const size_t filled = kept + size_t(got);
        const unsigned char* at = window;
        const unsigned char* end = window + filled;
        while (filled >= sizeof(kSignature) &&
               (at = static_cast<const unsigned char*>(std::memchr(
                    at, 'M', size_t(end - at) - (sizeof(kSignature) - 1)))) != nullptr) {
            if (std::memcmp(at, kSignature, sizeof(kSignature)) == 0) {
                return windowStart + (at - window);
            }
            ++at;
            if (size_t(end - at) < sizeof(kSignature)) break;
        }
        kept = filled < kCarry ? filled : kCarry;
        std::memmove(window, window + filled - kept, kept);
        windowStart += int64_t(filled - kept);
    }
}

}  // namespace tamrix::tool
