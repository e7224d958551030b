// Arbitrary bytes as a cabinet for the summary that `info` and `test` read: every read stays
// inside the bytes and the walk ends.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "tools/cabinet_summary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tamrix::tool::CabinetSummary summary;
    std::string error;
    tamrix::tool::summarizeCabinet(
        [data, size](uint64_t offset, void* out, size_t want) -> size_t {
            if (offset >= size) return 0;
            size_t take = want < size - offset ? want : size_t(size - offset);
            std::memcpy(out, data + offset, take);
            return take;
        },
        &summary, &error);
    if (summary.folders.size() > 65535 || summary.filesFound > summary.fileCount) __builtin_trap();
    for (const tamrix::tool::FolderSummary& folder : summary.folders) {
        if (folder.blocksFound > folder.blocks ||
            folder.blocksWithoutChecksum > folder.blocksFound) {
            __builtin_trap();
        }
        tamrix::tool::compressionName(folder.compression);
    }
    return 0;
}
