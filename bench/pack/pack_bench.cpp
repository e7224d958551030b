// Compression speed and ratio per level, side by side with zlib's deflate at level 6 (what
// gzip -6 does) on the same data, and the threaded pipeline at -j 1 and -j 2.
//
// The data: 8 MiB of executables and 8 MiB of text from the system (see bench_corpus), or the
// file named by TAMRIX_PACK_BENCH_DATA. Counters: "ratio" is the output's size in percent of
// the input; bytes_per_second is the input's rate.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/lzx/bench_corpus.h"
#include "pack/compression.h"
#include "pack/compression_pipeline.h"

namespace {

using namespace tamrix;

constexpr uint32_t kFrame = 32768;

const std::vector<uint8_t>& data() {
    static const std::vector<uint8_t> bytes = [] {
        if (const char* path = std::getenv("TAMRIX_PACK_BENCH_DATA")) {
            std::ifstream in(path, std::ios::binary);
            return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
        }
        return lzx_bench::loadCorpus(8u << 20, 8u << 20).bytes;
    }();
    return bytes;
}

void report(benchmark::State& state, uint64_t packed) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data().size()));
    state.counters["ratio"] = 100.0 * double(packed) / double(data().size());
}

// One folder of the whole data through a compressor, frame by frame as the cabinet writer
// feeds it.
void compressFolder(benchmark::State& state, pack::CompressionKind kind, unsigned window) {
    pack::Compression compression;
    compression.kind = kind;
    compression.windowBits = window;
    compression.level = int(state.range(0));
    const std::vector<uint8_t>& bytes = data();
    uint64_t packed = 0;
    for (auto _ : state) {
        std::unique_ptr<pack::FrameEncoder> encoder = pack::makeFrameEncoder(compression);
        std::vector<std::vector<uint8_t>> blocks;
        std::string error;
        packed = 0;
        for (size_t at = 0; at < bytes.size(); at += kFrame) {
            const uint32_t n = uint32_t(std::min<size_t>(kFrame, bytes.size() - at));
            if (!encoder->addFrame(bytes.data() + at, n, &blocks, &error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            for (const auto& block : blocks) packed += block.size() + 8;
            blocks.clear();
        }
        encoder->finish(&blocks);
        for (const auto& block : blocks) packed += block.size() + 8;
    }
    report(state, packed);
}

void BM_Mszip(benchmark::State& state) {
    compressFolder(state, pack::CompressionKind::Mszip, 0);
}
void BM_Lzx21(benchmark::State& state) {
    compressFolder(state, pack::CompressionKind::Lzx, 21);
}
void BM_Quantum21(benchmark::State& state) {
    compressFolder(state, pack::CompressionKind::Quantum, 21);
}

// The reference: one raw deflate stream at level 6 with a 32 KiB window, as gzip -6 writes.
void BM_ZlibDeflate6(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = data();
    std::vector<uint8_t> out(compressBound(uLong(bytes.size())) + 64);
    uint64_t packed = 0;
    for (auto _ : state) {
        z_stream stream{};
        deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        stream.next_in = const_cast<Bytef*>(bytes.data());
        stream.avail_in = uInt(bytes.size());
        stream.next_out = out.data();
        stream.avail_out = uInt(out.size());
        deflate(&stream, Z_FINISH);
        packed = stream.total_out;
        deflateEnd(&stream);
    }
    report(state, packed);
}

// The pipeline over files on disk: 16 files in 4 folders, -j 1 against -j 2. Real time is what
// the user waits for; CPU time shows the work itself.
class Files {
  public:
    Files() {
        char pattern[] = "/tmp/tamrix-pack-bench-XXXXXX";
        if (!mkdtemp(pattern)) return;
        root_ = pattern;
        const std::vector<uint8_t>& bytes = data();
        const size_t part = (bytes.size() + 15) / 16;
        for (size_t i = 0; i < 16 && i * part < bytes.size(); ++i) {
            pack::CabinetEntry entry;
            entry.sourcePath = root_ + "/" + std::to_string(i);
            entry.name = std::to_string(i);
            entry.size = std::min(part, bytes.size() - i * part);
            std::ofstream(entry.sourcePath, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data() + i * part),
                       std::streamsize(entry.size));
            if (i % 4 == 0) folders_.push_back({entries_.size(), 0, 0});
            folders_.back().entryCount += 1;
            folders_.back().size += entry.size;
            entries_.push_back(entry);
        }
    }
    ~Files() {
        for (const pack::CabinetEntry& entry : entries_) ::unlink(entry.sourcePath.c_str());
        if (!root_.empty()) ::rmdir(root_.c_str());
    }
    const std::vector<pack::CabinetEntry>& entries() const { return entries_; }
    const std::vector<pack::FolderWork>& folders() const { return folders_; }

  private:
    std::string root_;
    std::vector<pack::CabinetEntry> entries_;
    std::vector<pack::FolderWork> folders_;
};

void pipeline(benchmark::State& state, pack::CompressionKind kind, unsigned window) {
    static Files files;
    pack::Compression compression;
    compression.kind = kind;
    compression.windowBits = window;
    uint64_t packed = 0;
    for (auto _ : state) {
        pack::CompressionPipeline run(files.entries(), files.folders(), compression,
                                      unsigned(state.range(0)));
        pack::CompressedBlock block;
        std::string error;
        packed = 0;
        pack::CompressionPipeline::Next next;
        while ((next = run.next(&block, &error)) == pack::CompressionPipeline::Next::Block) {
            packed += block.data.size() + 8;
        }
        if (next == pack::CompressionPipeline::Next::Failed) state.SkipWithError(error.c_str());
    }
    report(state, packed);
}

void BM_PipelineMszip(benchmark::State& state) {
    pipeline(state, pack::CompressionKind::Mszip, 0);
}
void BM_PipelineLzx21(benchmark::State& state) {
    pipeline(state, pack::CompressionKind::Lzx, 21);
}

BENCHMARK(BM_ZlibDeflate6)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Mszip)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Lzx21)->DenseRange(1, 9)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Quantum21)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PipelineMszip)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_PipelineLzx21)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
