#include "app/crc_check.h"

#include <cstdio>

#include "app/package_layout.h"
#include "package/crc_range.h"
#include "platform/file_limits.h"
#include "platform/files.h"
#include "platform/threads.h"
#include "platform/ui.h"
#include "platform/windows.h"
#include "resources/resource.h"
#include "resources/strings.h"

namespace tamrix {

namespace {

constexpr uint32_t kBarStep = 102400;  // the bar counts in steps of 100 KiB
constexpr uint32_t kReadPiece = 2048;

uint32_t crcTable[256];

void buildCrcTable() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        crcTable[n] = c;
    }
}

}  // namespace

uint32_t updateCrc32(uint32_t running, const uint8_t* bytes, uint32_t count) {
    if (!crcTable[1]) buildCrcTable();
    for (uint32_t i = 0; i < count; ++i)
        running = (running >> 8) ^ crcTable[(running ^ bytes[i]) & 0xFF];
    return running;
}

uint32_t verifyPackageCrc(void* /*ownerWindow*/, platform::ModuleHandle, uint32_t expected) {
    buildCrcTable();
    uint32_t running = 0xFFFFFFFF;
    char ownName[kPathSize];
    if (!platform::moduleFileName(ownName, sizeof ownName)) return 0;
    int32_t file = platform::fileOpen(ownName, platform::kOpenBinary, 0);
    if (file == -1) return 0;
    int32_t length = platform::fileLength(file);

    platform::WindowHandle box = platform::createModelessDialog(IDD_CRC_CHECK, nullptr, 0);
    platform::ModuleImage image = platform::moduleImage();
    CrcRange range = packageCrcRange(findImageEnd(image.base, image.readable),
                                     findCertificateTable(image.base, image.readable),
                                     length < 0 ? 0 : uint32_t(length));
    int32_t start = int32_t(range.start);
    uint32_t covered = range.end - range.start;
    platform::fileSeek(file, start, 0);
    platform::sendDlgItemMessage(box, IDC_CRC_BAR, platform::kPbmSetRange32, 0,
                                 int32_t(covered / kBarStep));

    uint8_t piece[kReadPiece];
    uint32_t counter = 0;
    while (counter < covered) {
        uint32_t want = covered - counter < kReadPiece ? covered - counter : kReadPiece;
        int32_t got = platform::fileRead(file, piece, want);
        if (got <= 0) break;
        running = updateCrc32(running, piece, uint32_t(got));
        counter += uint32_t(got);
        platform::yieldThread();
        platform::sendDlgItemMessage(box, IDC_CRC_BAR, platform::kPbmSetPos, counter / kBarStep, 0);
        platform::pumpOneMessage(box);
    }
    platform::fileClose(file);
    platform::destroyWindow(box);

    uint32_t computed = ~running;
    if (computed == expected) return computed;
    char format[256];
    char text[256 + kPathSize];
    loadString(kStringCrcError, format, sizeof format);
    std::snprintf(text, sizeof text, format, ownName);
    platform::messageBox(text, "Warning", platform::kMbOk | platform::kMbIconError);
    return 0;
}

}  // namespace tamrix
