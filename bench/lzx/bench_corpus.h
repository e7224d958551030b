// The benchmark's data: x86 binaries and text from the system, in a fixed order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamrix::lzx_bench {

struct Corpus {
    std::vector<uint8_t> bytes;
    uint64_t binaryBytes = 0;
    uint64_t textBytes = 0;
    uint32_t files = 0;
};

// About `binaryTarget` bytes of executables from /usr/bin and `textTarget` bytes of text files
// from /usr/share, interleaved file by file, each list in sorted path order.
// The size of each file taken goes to fileSizes when given.
Corpus loadCorpus(uint64_t binaryTarget, uint64_t textTarget,
                  std::vector<size_t>* fileSizes = nullptr);

}  // namespace tamrix::lzx_bench
