#include "bench/lzx/bench_corpus.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tamrix::lzx_bench {
namespace fs = std::filesystem;
namespace {

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool looksLikeText(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 2048) return false;
    size_t printable = 0;
    const size_t n = std::min<size_t>(bytes.size(), 4096);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = bytes[i];
        if (b == 0) return false;
        printable += (b >= 32 && b < 127) || b == '\n' || b == '\t' || b == '\r';
    }
    return printable * 100 >= n * 97;
}

bool looksLikeElf(const std::vector<uint8_t>& bytes) {
    return bytes.size() > 16384 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' &&
           bytes[3] == 'F';
}

std::vector<fs::path> sortedFiles(const fs::path& root, bool recursive) {
    std::vector<fs::path> paths;
    std::error_code ec;
    if (recursive) {
        for (fs::recursive_directory_iterator
                 it(root, fs::directory_options::skip_permission_denied, ec),
             end;
             it != end; it.increment(ec)) {
            if (ec) break;
            if (it->is_regular_file(ec) && !it->is_symlink(ec)) paths.push_back(it->path());
        }
    } else {
        for (const auto& entry : fs::directory_iterator(root, ec)) {
            if (entry.is_regular_file(ec) && !entry.is_symlink(ec)) paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

Corpus loadCorpus(uint64_t binaryTarget, uint64_t textTarget, std::vector<size_t>* fileSizes) {
    const auto binaries = sortedFiles("/usr/bin", false);
    const auto texts = sortedFiles("/usr/share", true);
    Corpus corpus;
    size_t bi = 0, ti = 0;
    while ((corpus.binaryBytes < binaryTarget && bi < binaries.size()) ||
           (corpus.textBytes < textTarget && ti < texts.size())) {
        if (corpus.binaryBytes < binaryTarget && bi < binaries.size()) {
            auto bytes = readFile(binaries[bi++]);
            if (looksLikeElf(bytes) && bytes.size() < (8u << 20)) {
                corpus.binaryBytes += bytes.size();
                corpus.bytes.insert(corpus.bytes.end(), bytes.begin(), bytes.end());
                ++corpus.files;
                if (fileSizes) fileSizes->push_back(bytes.size());
            }
        }
        if (corpus.textBytes < textTarget && ti < texts.size()) {
            auto bytes = readFile(texts[ti++]);
            if (looksLikeText(bytes) && bytes.size() < (4u << 20)) {
                corpus.textBytes += bytes.size();
                corpus.bytes.insert(corpus.bytes.end(), bytes.begin(), bytes.end());
                ++corpus.files;
                if (fileSizes) fileSizes->push_back(bytes.size());
            }
        }
    }
    return corpus;
}

}  // namespace tamrix::lzx_bench
