// Decoding speed of MSZIP blocks: our codec against zlib's inflate and libdeflate's raw-deflate
// decompressor on the same deflate data. The data: files from /usr/bin and /usr/share in sorted
// order (binaries and text alternating) up to 40 MiB, topped up with generated data where the
// system has too few. Rates are CPU time (Google Benchmark's default): the machine is shared.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "codecs/codec_interface.h"
#include "tests/mszip/zlib_frames.h"

namespace {

using tamrix::mszip::test::makeMixedData;
using tamrix::mszip::test::makeMszipBlocks;
namespace fs = std::filesystem;

constexpr size_t kTargetSize = size_t{40} << 20;

std::vector<fs::path> sortedFiles(const char* root) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const auto& entry = *it;
        if (!entry.is_regular_file(ec) || entry.is_symlink(ec)) continue;
        const std::string ext = entry.path().extension().string();
        if (ext == ".gz" || ext == ".xz" || ext == ".bz2" || ext == ".zst" || ext == ".png")
            continue;
        if (entry.file_size(ec) > (size_t{4} << 20)) continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void append(std::vector<uint8_t>& data, const fs::path& path, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t take = std::min(bytes.size(), limit - data.size());
    data.insert(data.end(), bytes.begin(), bytes.begin() + take);
}

std::vector<uint8_t> collectData() {
    const std::vector<fs::path> binaries = sortedFiles("/usr/bin");
    const std::vector<fs::path> texts = sortedFiles("/usr/share");
    std::vector<uint8_t> data;
    data.reserve(kTargetSize);
    for (size_t i = 0; data.size() < kTargetSize && (i < binaries.size() || i < texts.size());
         ++i) {
        if (i < binaries.size() && data.size() < kTargetSize)
            append(data, binaries[i], kTargetSize);
        if (i < texts.size() && data.size() < kTargetSize) append(data, texts[i], kTargetSize);
    }
    if (data.size() < kTargetSize) {
        const std::vector<uint8_t> more = makeMixedData(kTargetSize - data.size(), 11);
        data.insert(data.end(), more.begin(), more.end());
    }
    return data;
}

struct Corpus {
    std::vector<uint8_t> data;
    std::vector<std::vector<uint8_t>> blocks;  // "CK" + deflate per 32 KiB frame, zlib level 6
    size_t compressed = 0;
    std::vector<uint8_t> stream;  // the whole data as one deflate stream, for zlib's best case
    // Each frame deflated on its own at level 6 ("CK" + raw deflate, no history): blocks that
    // libdeflate, which takes no preset dictionary, can decode as well as our codec.
    std::vector<std::vector<uint8_t>> independent;
};

std::vector<uint8_t> deflateFrame(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out(2 + compressBound(uLong(size)));
    out[0] = 'C';
    out[1] = 'K';
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<uint8_t*>(data);
    z.avail_in = uInt(size);
    z.next_out = out.data() + 2;
    z.avail_out = uInt(out.size() - 2);
    deflate(&z, Z_FINISH);
    out.resize(2 + z.total_out);
    deflateEnd(&z);
    return out;
}

const Corpus& corpus() {
    static const Corpus c = [] {
        Corpus made;
        made.data = collectData();
        made.blocks = makeMszipBlocks(
            made.data, {6, Z_DEFAULT_STRATEGY, tamrix::mszip::test::Framing::PrimedPerFrame});
        for (const auto& b : made.blocks) made.compressed += b.size();
        uLongf size = compressBound(uLong(made.data.size()));
        made.stream.resize(size);
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        z.next_in = made.data.data();
        z.avail_in = uInt(made.data.size());
        z.next_out = made.stream.data();
        z.avail_out = uInt(size);
        deflate(&z, Z_FINISH);
        made.stream.resize(z.total_out);
        deflateEnd(&z);
        for (size_t at = 0; at < made.data.size(); at += 32768) {
            made.independent.push_back(deflateFrame(
                made.data.data() + at, std::min<size_t>(32768, made.data.size() - at)));
        }
        return made;
    }();
    return c;
}

void countBytes(benchmark::State& state) {
    state.SetBytesProcessed(int64_t(corpus().data.size()) * int64_t(state.iterations()));
}

// Our codec over a list of blocks, as the engine drives it: each block copied into the input
// buffer, one output buffer for the folder.
void decodeBlocks(benchmark::State& state, const std::vector<std::vector<uint8_t>>& blocks) {
    using namespace tamrix;
    const Corpus& c = corpus();
    uint32_t maxOutput = 32768, inputSize = 0;
    void* handle = nullptr;
    kMszipCodec.create(
        &maxOutput, nullptr, [](uint32_t n) { return std::malloc(n); },
        [](void* p) { std::free(p); }, &inputSize, &handle, nullptr);
    std::vector<uint8_t> input(inputSize + kCodecInputSlack);
    std::vector<uint8_t> output(32768);
    for (auto _ : state) {
        kMszipCodec.reset(handle);
        size_t offset = 0;
        for (const auto& block : blocks) {
            std::copy(block.begin(), block.end(), input.begin());  // the engine reads into it
            uint32_t produced = 32768;
            if (kMszipCodec.decompress(handle, input.data(), uint32_t(block.size()), output.data(),
                                       &produced) != CodecSuccess ||
                produced != std::min<size_t>(32768, c.data.size() - offset)) {
                state.SkipWithError("decode failed");
                return;
            }
            offset += produced;
            benchmark::DoNotOptimize(output.data());
        }
    }
    countBytes(state);
    kMszipCodec.destroy(handle);
}

void BM_MszipDecode(benchmark::State& state) {
    decodeBlocks(state, corpus().blocks);
}

void BM_MszipDecodeIndependent(benchmark::State& state) {
    decodeBlocks(state, corpus().independent);
}

// libdeflate's raw-deflate decompressor on the same independent blocks (without the signature).
void BM_LibdeflateDecodeIndependent(benchmark::State& state) {
    const Corpus& c = corpus();
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::vector<uint8_t> input(32780 + 16);
    std::vector<uint8_t> output(32768);
    for (auto _ : state) {
        size_t offset = 0;
        for (const auto& block : c.independent) {
            std::copy(block.begin(), block.end(), input.begin());
            const size_t want = std::min<size_t>(32768, c.data.size() - offset);
            size_t produced = 0;
            if (libdeflate_deflate_decompress(d, input.data() + 2, block.size() - 2, output.data(),
                                              output.size(), &produced) != LIBDEFLATE_SUCCESS ||
                produced != want) {
                state.SkipWithError("libdeflate failed");
                return;
            }
            offset += produced;
            benchmark::DoNotOptimize(output.data());
        }
    }
    countBytes(state);
    libdeflate_free_decompressor(d);
}

// zlib as an MSZIP decoder must use it: each block is a stream of its own, primed with the
// previous block's output.
void BM_ZlibInflate(benchmark::State& state) {
    const Corpus& c = corpus();
    std::vector<uint8_t> input(32780 + 16);
    std::vector<uint8_t> output(32768);
    z_stream z{};
    inflateInit2(&z, -15);
    for (auto _ : state) {
        bool first = true;
        for (const auto& block : c.blocks) {
            std::copy(block.begin(), block.end(), input.begin());
            inflateReset(&z);
            if (!first) inflateSetDictionary(&z, output.data(), uInt(output.size()));
            first = false;
            z.next_in = input.data() + 2;
            z.avail_in = uInt(block.size() - 2);
            z.next_out = output.data();
            z.avail_out = uInt(output.size());
            if (inflate(&z, Z_FINISH) != Z_STREAM_END) {
                state.SkipWithError("inflate failed");
                return;
            }
            benchmark::DoNotOptimize(output.data());
        }
    }
    countBytes(state);
    inflateEnd(&z);
}

// zlib's best case for reference: the whole data as one stream, inflated 32 KiB at a time.
void BM_ZlibInflateOneStream(benchmark::State& state) {
    const Corpus& c = corpus();
    std::vector<uint8_t> output(32768);
    z_stream z{};
    inflateInit2(&z, -15);
    for (auto _ : state) {
        inflateReset(&z);
        z.next_in = const_cast<uint8_t*>(c.stream.data());
        z.avail_in = uInt(c.stream.size());
        int rc;
        do {
            z.next_out = output.data();
            z.avail_out = uInt(output.size());
            rc = inflate(&z, Z_NO_FLUSH);
            benchmark::DoNotOptimize(output.data());
        } while (rc == Z_OK);
        if (rc != Z_STREAM_END) {
            state.SkipWithError("inflate failed");
            return;
        }
    }
    countBytes(state);
    inflateEnd(&z);
}

BENCHMARK(BM_MszipDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflateOneStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MszipDecodeIndependent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibdeflateDecodeIndependent)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const Corpus& c = corpus();
    std::printf("data: %zu bytes in %zu MSZIP blocks, %zu compressed (zlib level 6)\n",
                c.data.size(), c.blocks.size(), c.compressed);
    return tamrix::bench::runWithRatios(
        argc, argv,
        {{"BM_MszipDecodeIndependent", "BM_LibdeflateDecodeIndependent", 0.8},
         {"BM_MszipDecode", "BM_ZlibInflate", 0},
         {"BM_MszipDecode", "BM_ZlibInflateOneStream", 0}});
}
