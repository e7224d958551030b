#include "tools/space_check.h"

#include <sys/statvfs.h>

#include <cinttypes>
#include <cstdio>

#include "tools/cabinet_session.h"

namespace tamrix::tool {

bool filesFitInto(const char* cabinet, const char* outputFolder) {
    struct statvfs info;
    if (statvfs(outputFolder, &info) != 0) return true;
    SetTotals totals;
    if (!measureCabinetSet(cabinet, &totals)) return true;
    const uint64_t available = uint64_t(info.f_bavail) * uint64_t(info.f_frsize);
    if (totals.bytes <= available) return true;
    std::fprintf(stderr,
                 "error: the %" PRIu64 " files to extract take %" PRIu64
                 " bytes, but the file system of '%s' has only %" PRIu64
                 " bytes free; nothing was written (use --force to try anyway)\n",
                 totals.files, totals.bytes, outputFolder, available);
    return false;
}

}  // namespace tamrix::tool
