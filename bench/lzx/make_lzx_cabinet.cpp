// Writes the benchmark's data as one LZX cabinet (window 2^21), one file per source file, so the
// memory of `tamrix test` can be measured on it: make_lzx_cabinet OUT.cab
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/lzx/bench_corpus.h"
#include "codecs/lzx/lzx_encoder.h"

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_lzx_cabinet OUT.cab\n");
        return 2;
    }
    using namespace tamrix;
    std::vector<size_t> fileSizes;
    const auto corpus = lzx_bench::loadCorpus(22u << 20, 12u << 20, &fileSizes);
    const auto& data = corpus.bytes;

    std::vector<std::vector<uint8_t>> blocks;
    LzxEncoder encoder(21, true);
    for (size_t at = 0; at < data.size(); at += 32768) {
        const uint32_t n = uint32_t(std::min<size_t>(32768, data.size() - at));
        blocks.push_back(encoder.encodeFrame(data.data() + at, n));
    }

    std::vector<uint8_t> files;
    uint32_t offset = 0;
    for (size_t i = 0; i < fileSizes.size(); ++i) {
        put32(files, uint32_t(fileSizes[i]));
        put32(files, offset);
        put16(files, 0);       // folder 0
        put16(files, 0x5A21);  // date
        put16(files, 0x6000);  // time
        put16(files, 0x20);    // archive
        char name[48];
        std::snprintf(name, sizeof name, "data\\file%04zu.bin", i);
        files.insert(files.end(), name, name + std::strlen(name) + 1);
        offset += uint32_t(fileSizes[i]);
    }

    const uint32_t filesOffset = 36 + 8;
    const uint32_t dataOffset = filesOffset + uint32_t(files.size());
    std::vector<uint8_t> cab;
    put32(cab, 0x4643534D);  // "MSCF"
    put32(cab, 0);
    put32(cab, 0);  // cabinet size, patched below
    put32(cab, 0);
    put32(cab, filesOffset);
    put32(cab, 0);
    put16(cab, 0x0103);
    put16(cab, 1);
    put16(cab, uint32_t(fileSizes.size()));
    put16(cab, 0);
    put16(cab, 0x1234);
    put16(cab, 0);
    put32(cab, dataOffset);
    put16(cab, uint32_t(blocks.size()));
    put16(cab, 0x1503);  // LZX, window 2^21
    cab.insert(cab.end(), files.begin(), files.end());
    size_t at = 0;
    for (const auto& block : blocks) {
        const uint32_t n = uint32_t(std::min<size_t>(32768, data.size() - at));
        at += n;
        put32(cab, 0);  // no checksum
        put16(cab, uint32_t(block.size()));
        put16(cab, n);
        cab.insert(cab.end(), block.begin(), block.end());
    }
    const uint32_t total = uint32_t(cab.size());
    std::memcpy(cab.data() + 8, &total, 4);

    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(cab.data(), 1, cab.size(), out) != cab.size()) return 1;
    std::fclose(out);
    std::printf("%zu files, %zu bytes -> %zu bytes in %zu blocks\n", fileSizes.size(), data.size(),
                cab.size(), blocks.size());
    return 0;
}
