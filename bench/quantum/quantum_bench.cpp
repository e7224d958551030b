// Quantum decoding against zlib's inflate of the same data, in one run: throughput of both, their
// ratio, and what the paged window costs with 3, 16 and all slots.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "codecs/codec_interface.h"
#include "codecs/quantum/quantum_decoder.h"
#include "codecs/quantum/quantum_encoder.h"
#include "tests/support/quantum_test_data.h"

namespace {

using namespace tamrix;

constexpr unsigned kWindowBits = 21;
constexpr size_t kDataSize = size_t(16) << 20;

struct Corpus {
    std::vector<uint8_t> data;
    std::vector<std::vector<uint8_t>> quantumBlocks;
    size_t quantumBytes = 0;
    std::vector<uint8_t> zlibStream;
};

const Corpus& corpus() {
    static const Corpus c = [] {
        Corpus c;
        c.data = quantum_test::mixedData(kDataSize, 2026);
        QuantumEncoder encoder(kWindowBits);
        for (size_t at = 0; at < c.data.size(); at += kCodecOutputSize) {
            c.quantumBlocks.push_back(encoder.encodeFrame(c.data.data() + at, kCodecOutputSize));
            c.quantumBytes += c.quantumBlocks.back().size();
        }
        uLongf size = compressBound(uLong(c.data.size()));
        c.zlibStream.resize(size);
        compress2(c.zlibStream.data(), &size, c.data.data(), uLong(c.data.size()), 6);
        c.zlibStream.resize(size);
        return c;
    }();
    return c;
}

// Memory callbacks that can refuse the window's block and ration the page slots, and a spill
// file in memory.
uint32_t gRefuseSize = 0;
int gSlotBudget = -1;
void* benchAlloc(uint32_t size) {
    if (size == gRefuseSize) return nullptr;
    if (size == sizeof(quantum::WindowSlot) && gSlotBudget >= 0) {
        if (gSlotBudget == 0) return nullptr;
        --gSlotBudget;
    }
    return std::malloc(size);
}
void benchFree(void* p) {
    std::free(p);
}
std::vector<uint8_t> gSpill(size_t(1) << kWindowBits);
uint32_t gSpillPosition = 0;
uint64_t gSpillReads = 0, gSpillWrites = 0;
int32_t spillOpen(const char*, int32_t, int32_t) {
    return 5;
}
int32_t spillRead(int32_t, void* b, uint32_t n) {
    ++gSpillReads;
    std::memcpy(b, gSpill.data() + gSpillPosition, n);
    gSpillPosition += n;
    return int32_t(n);
}
int32_t spillWrite(int32_t, const void* b, uint32_t n) {
    ++gSpillWrites;
    std::memcpy(gSpill.data() + gSpillPosition, b, n);
    gSpillPosition += n;
    return int32_t(n);
}
int32_t spillClose(int32_t) {
    return 0;
}
int32_t spillSeek(int32_t, int32_t offset, int32_t) {
    gSpillPosition = uint32_t(offset);
    return offset;
}
const FileCallbacks kFiles = {spillOpen, spillRead, spillWrite, spillClose, spillSeek};

void decodeQuantum(benchmark::State& state, int slots) {
    const Corpus& c = corpus();
    std::vector<uint8_t> out(kCodecOutputSize);
    gSpillReads = gSpillWrites = 0;
    for (auto _ : state) {
        gRefuseSize = slots ? 1u << kWindowBits : 0;
        gSlotBudget = slots;
        uint32_t maxOutput = kCodecOutputSize, inputSize;
        void* handle = nullptr;
        QuantumParams params{kWindowBits, -1};
        if (kQuantumCodec.create(&maxOutput, &params, benchAlloc, benchFree, &inputSize, &handle,
                                 &kFiles) != CodecSuccess) {
            state.SkipWithError("create failed");
            return;
        }
        for (size_t k = 0; k < c.quantumBlocks.size(); ++k) {
            uint32_t size = kCodecOutputSize;
            const auto& block = c.quantumBlocks[k];
            if (kQuantumCodec.decompress(handle, block.data(), uint32_t(block.size()), out.data(),
                                         &size) != CodecSuccess ||
                std::memcmp(out.data(), c.data.data() + k * kCodecOutputSize, size) != 0) {
                state.SkipWithError("decode failed");
                break;
            }
        }
        kQuantumCodec.destroy(handle);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.data.size()));
    state.counters["ratio"] = double(c.quantumBytes) / double(c.data.size());
    // Page moves through the spill file per decode of the whole data.
    state.counters["reads"] = double(gSpillReads) / double(state.iterations());
    state.counters["writes"] = double(gSpillWrites) / double(state.iterations());
}

void BM_QuantumDecode(benchmark::State& state) {
    decodeQuantum(state, 0);
}
void BM_QuantumDecodePaged(benchmark::State& state) {
    decodeQuantum(state, int(state.range(0)));
}

void BM_ZlibInflate(benchmark::State& state) {
    const Corpus& c = corpus();
    std::vector<uint8_t> out(c.data.size());
    for (auto _ : state) {
        uLongf size = uLongf(out.size());
        if (uncompress(out.data(), &size, c.zlibStream.data(), uLong(c.zlibStream.size())) !=
            Z_OK) {
            state.SkipWithError("inflate failed");
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.data.size()));
    state.counters["ratio"] = double(c.zlibStream.size()) / double(c.data.size());
}

// The compressor, for the package builder's sake.
void BM_QuantumEncode(benchmark::State& state) {
    const Corpus& c = corpus();
    for (auto _ : state) {
        QuantumEncoder encoder(kWindowBits);
        for (size_t at = 0; at < c.data.size(); at += kCodecOutputSize) {
            benchmark::DoNotOptimize(encoder.encodeFrame(c.data.data() + at, kCodecOutputSize));
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.data.size()));
}

BENCHMARK(BM_QuantumEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuantumDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuantumDecodePaged)->Arg(3)->Arg(16)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tamrix::bench::runWithRatios(argc, argv,
                                        {{"BM_QuantumDecode", "BM_ZlibInflate", 0.45},
                                         {"BM_QuantumDecodePaged/3", "BM_ZlibInflate", 0.3},
                                         {"BM_QuantumDecodePaged/16", "BM_ZlibInflate", 0.3},
                                         {"BM_QuantumDecodePaged/512", "BM_ZlibInflate", 0.3}});
}
