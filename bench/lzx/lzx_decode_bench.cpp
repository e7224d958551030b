// LZX decoding through our codec against zlib's inflate, on the same 32+ MiB of binaries and
// text, both written frame by frame into a 32 KiB buffer as an extractor would.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "bench/lzx/bench_corpus.h"
#include "bench/ratio_reporter.h"
#include "codecs/codec_interface.h"
#include "codecs/lzx/lzx_encoder.h"

namespace tamrix {
namespace {

constexpr uint32_t kFrame = kCodecOutputSize;

struct Prepared {
    lzx_bench::Corpus corpus;
    std::vector<std::vector<uint8_t>> lzxBlocks;
    uint64_t lzxBytes = 0;
    double lzxCompressSeconds = 0;
    std::vector<uint8_t> deflated;
    std::vector<std::vector<uint8_t>> mszipBlocks;  // deflate per 32 KiB frame, level 6
    uint64_t mszipBytes = 0;
};

const Prepared& prepared() {
    static const std::unique_ptr<Prepared> p = [] {
        auto q = std::make_unique<Prepared>();
        q->corpus = lzx_bench::loadCorpus(22u << 20, 12u << 20);
        const auto& data = q->corpus.bytes;

        LzxEncoder encoder(21, true);
        // Processor time: the machine is shared, so wall time says little.
        const std::clock_t begin = std::clock();
        for (size_t at = 0; at < data.size(); at += kFrame) {
            const uint32_t n = uint32_t(std::min<size_t>(kFrame, data.size() - at));
            q->lzxBlocks.push_back(encoder.encodeFrame(data.data() + at, n));
            q->lzxBytes += q->lzxBlocks.back().size();
        }
        q->lzxCompressSeconds = double(std::clock() - begin) / CLOCKS_PER_SEC;

        uLongf bound = compressBound(uLong(data.size()));
        q->deflated.resize(bound);
        compress2(q->deflated.data(), &bound, data.data(), uLong(data.size()), 6);
        q->deflated.resize(bound);

        // MSZIP-like: each 32 KiB frame deflated on its own (no shared history), level 6.
        for (size_t at = 0; at < data.size(); at += kFrame) {
            const uint32_t n = uint32_t(std::min<size_t>(kFrame, data.size() - at));
            uLongf b = compressBound(n);
            std::vector<uint8_t> out(b);
            compress2(out.data(), &b, data.data() + at, n, 6);
            q->mszipBytes += b + 2;  // the "CK" signature of an MSZIP block
        }
        return q;
    }();
    return *p;
}

void* benchAlloc(uint32_t size) {
    return std::malloc(size);
}
void benchFree(void* p) {
    std::free(p);
}

void BM_LzxDecode(benchmark::State& state) {
    const Prepared& p = prepared();
    const auto& data = p.corpus.bytes;
    uint32_t maxOutput = kFrame, inputSize = 0;
    void* handle = nullptr;
    LzxParams params{1u << 21};
    if (kLzxCodec.create(&maxOutput, &params, benchAlloc, benchFree, &inputSize, &handle,
                         nullptr) != CodecSuccess) {
        state.SkipWithError("create failed");
        return;
    }
    std::vector<uint8_t> input(inputSize + kCodecInputSlack), output(kFrame);
    for (auto _ : state) {
        kLzxCodec.reset(handle);
        size_t at = 0;
        for (const auto& block : p.lzxBlocks) {
            std::copy(block.begin(), block.end(), input.begin());
            uint32_t size = uint32_t(std::min<size_t>(kFrame, data.size() - at));
            if (kLzxCodec.decompress(handle, input.data(), uint32_t(block.size()), output.data(),
                                     &size) != CodecSuccess) {
                state.SkipWithError("decode failed");
                break;
            }
            at += size;
        }
        benchmark::DoNotOptimize(output.data());
    }
    // Check the last run once, outside the timing.
    kLzxCodec.reset(handle);
    size_t at = 0;
    bool same = true;
    for (const auto& block : p.lzxBlocks) {
        std::copy(block.begin(), block.end(), input.begin());
        uint32_t size = uint32_t(std::min<size_t>(kFrame, data.size() - at));
        kLzxCodec.decompress(handle, input.data(), uint32_t(block.size()), output.data(), &size);
        same = same && std::equal(output.begin(), output.begin() + size, data.begin() + long(at));
        at += size;
    }
    if (!same) state.SkipWithError("LZX output differs from the input");
    kLzxCodec.destroy(handle);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    state.counters["ratio_pct"] = 100.0 * double(p.lzxBytes) / double(data.size());
    state.counters["compress_MBps"] = double(data.size()) / 1e6 / p.lzxCompressSeconds;
    state.counters["input_MiB"] = double(data.size()) / (1 << 20);
}

void BM_ZlibInflate(benchmark::State& state) {
    const Prepared& p = prepared();
    const auto& data = p.corpus.bytes;
    std::vector<uint8_t> output(kFrame);
    for (auto _ : state) {
        z_stream z{};
        inflateInit(&z);
        z.next_in = const_cast<Bytef*>(p.deflated.data());
        z.avail_in = uInt(p.deflated.size());
        int r = Z_OK;
        while (r == Z_OK) {
            z.next_out = output.data();
            z.avail_out = kFrame;
            r = inflate(&z, Z_NO_FLUSH);
        }
        if (r != Z_STREAM_END || z.total_out != data.size()) state.SkipWithError("inflate failed");
        inflateEnd(&z);
        benchmark::DoNotOptimize(output.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    state.counters["ratio_pct"] = 100.0 * double(p.deflated.size()) / double(data.size());
    state.counters["mszip_ratio_pct"] = 100.0 * double(p.mszipBytes) / double(data.size());
}

BENCHMARK(BM_LzxDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace tamrix

int main(int argc, char** argv) {
    return tamrix::bench::runWithRatios(argc, argv, {{"BM_LzxDecode", "BM_ZlibInflate", 1.5}});
}
