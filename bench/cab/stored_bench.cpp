// Stored extraction through the engine with in-memory callbacks, next to a plain memcpy of the
// same bytes: the engine's overhead over moving the data once.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "cab/decoder.h"
#include "tests/support/cabinet_builder.h"

namespace {

using namespace tamrix;
using tamrix::test::Bytes;

constexpr size_t kFileSize = 1 << 20;
constexpr size_t kFileCount = 64;
constexpr size_t kTotal = kFileSize * kFileCount;

struct Source {
    Bytes cabinet;
    size_t position[2] = {0, 0};
};
Source source;
uint8_t* target = nullptr;
size_t targetPosition = 0;

void* benchAlloc(uint32_t size) {
    return std::malloc(size);
}
void benchFree(void* block) {
    std::free(block);
}
int32_t benchOpen(const char*, int32_t, int32_t) {
    static int next = 0;
    const int handle = next++ & 1;
    source.position[handle] = 0;
    return handle;
}
int32_t benchRead(int32_t handle, void* buffer, uint32_t count) {
    size_t& position = source.position[handle];
    size_t n = std::min<size_t>(count, source.cabinet.size() - position);
    std::memcpy(buffer, source.cabinet.data() + position, n);
    position += n;
    return int32_t(n);
}
int32_t benchWrite(int32_t, const void* buffer, uint32_t count) {
    std::memcpy(target + targetPosition, buffer, count);
    targetPosition += count;
    return int32_t(count);
}
int32_t benchClose(int32_t) {
    return 0;
}
int32_t benchSeek(int32_t handle, int32_t offset, int32_t origin) {
    size_t& position = source.position[handle];
    position = origin == kSeekSet ? size_t(offset) : position + size_t(offset);
    return int32_t(position);
}

int32_t handler(CopyNotification kind, NotificationRecord*) {
    if (kind == FileBegin) return 100;
    if (kind == FileEnd) return 1;
    return 0;
}

void buildSource(bool checksums) {
    std::vector<std::pair<std::string, Bytes>> contents;
    for (size_t i = 0; i < kFileCount; ++i) {
        contents.push_back(
            {"file" + std::to_string(i), test::patternBytes(kFileSize, uint32_t(i))});
    }
    test::StoredLayout layout = test::layOutStored(contents);
    for (auto& block : layout.folder.blocks) block.withChecksum = checksums;
    test::TestCabinet plan;
    plan.folders.push_back(layout.folder);
    plan.files = layout.files;
    source.cabinet = test::buildCabinet(plan);
    std::free(target);
    target = static_cast<uint8_t*>(std::malloc(kTotal));
    std::memset(target, 0, kTotal);
}

void StoredThroughEngine(benchmark::State& state) {
    buildSource(state.range(0) != 0);
    DecoderErrorRecord error{};
    CabinetDecoder* decoder =
        createDecoder(DecoderCallbacks{benchAlloc, benchFree, benchOpen, benchRead, benchWrite,
                                       benchClose, benchSeek},
                      -1, &error);
    for (auto _ : state) {
        targetPosition = 0;
        if (!copyCabinet(decoder, "bench.cab", "", 0, handler, nullptr, nullptr)) {
            state.SkipWithError("copy failed");
            break;
        }
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
    }
    destroyDecoder(decoder);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTotal));
}
BENCHMARK(StoredThroughEngine)->ArgName("checksums")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void PlainMemcpy(benchmark::State& state) {
    buildSource(true);
    // As many bytes as the engine delivers, out of the cabinet's memory into the same target.
    for (auto _ : state) {
        std::memcpy(target, source.cabinet.data() + 100, kTotal);
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTotal));
}
BENCHMARK(PlainMemcpy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
