#include "tests/quantum/quantum_test_env.h"

#include <cstdlib>
#include <cstring>
#include <map>

#include "codecs/quantum/quantum_encoder.h"

namespace tamrix::quantum_test {
namespace {

AllocPolicy gPolicy;
SpillFileLog gLog;
SpillFaults gFaults;
int gLive = 0;

struct MemoryFile {
    std::vector<uint8_t> bytes;
    uint32_t position = 0;
};
std::map<int32_t, MemoryFile> gFiles;
int32_t gNextFile = 3;
std::vector<uint8_t> gLastSpill;

void* countingAlloc(uint32_t size) {
    if (gPolicy.refuseAll) return nullptr;
    if (gPolicy.refuseSize && size == gPolicy.refuseSize) return nullptr;
    if (gPolicy.slotSize && size == gPolicy.slotSize && gPolicy.slotBudget >= 0) {
        if (gPolicy.slotBudget == 0) return nullptr;
        --gPolicy.slotBudget;
    }
    void* p = std::malloc(size ? size : 1);
    if (p) ++gLive;
    return p;
}

void countingFree(void* p) {
    if (p) --gLive;
    std::free(p);
}

int32_t fileOpen(const char* path, int32_t flags, int32_t mode) {
    ++gLog.opens;
    gLog.lastOpenPath.assign(path, path + 6);
    gLog.lastOpenFlags = flags;
    gLog.lastOpenMode = mode;
    if (gFaults.refuseOpen) return -1;
    gFiles[gNextFile] = MemoryFile{};
    return gNextFile++;
}

int32_t fileRead(int32_t fd, void* buffer, uint32_t count) {
    auto it = gFiles.find(fd);
    if (it == gFiles.end()) return -1;
    MemoryFile& f = it->second;
    gLog.readOffsets.push_back(f.position);
    const int index = gLog.reads++;
    uint32_t n = 0;
    if (f.position < f.bytes.size())
        n = std::min<uint32_t>(count, uint32_t(f.bytes.size()) - f.position);
    if (index == gFaults.shortReadAt && n > 0) n = n / 2;
    std::memcpy(buffer, f.bytes.data() + f.position, n);
    f.position += n;
    return int32_t(n);
}

int32_t fileWrite(int32_t fd, const void* buffer, uint32_t count) {
    auto it = gFiles.find(fd);
    if (it == gFiles.end()) return -1;
    MemoryFile& f = it->second;
    gLog.writeOffsets.push_back(f.position);
    if (gLog.writes++ == gFaults.failWriteAt) return 0;
    if (f.bytes.size() < f.position + count) f.bytes.resize(f.position + count);
    std::memcpy(f.bytes.data() + f.position, buffer, count);
    f.position += count;
    gLastSpill = f.bytes;
    return int32_t(count);
}

int32_t fileClose(int32_t fd) {
    ++gLog.closes;
    return gFiles.erase(fd) ? 0 : -1;
}

int32_t fileSeek(int32_t fd, int32_t offset, int32_t origin) {
    auto it = gFiles.find(fd);
    if (it == gFiles.end()) return -1;
    MemoryFile& f = it->second;
    const int64_t target = origin == kSeekSet ? offset : int64_t(f.position) + offset;
    if (target < 0) return -1;
    f.position = uint32_t(target);
    return int32_t(f.position);
}

const FileCallbacks kFiles = {fileOpen, fileRead, fileWrite, fileClose, fileSeek};

}  // namespace

void resetEnvironment() {
    gPolicy = AllocPolicy{};
    gLog = SpillFileLog{};
    gFaults = SpillFaults{};
    gFiles.clear();
    gLastSpill.clear();
}
AllocPolicy& allocPolicy() {
    return gPolicy;
}
SpillFileLog& spillLog() {
    return gLog;
}
SpillFaults& spillFaults() {
    return gFaults;
}
int liveAllocations() {
    return gLive;
}
const std::vector<uint8_t>& spillFileBytes() {
    return gLastSpill;
}
AllocFn testAlloc() {
    return countingAlloc;
}
FreeFn testFree() {
    return countingFree;
}
const FileCallbacks* memoryFiles() {
    return &kFiles;
}

std::vector<std::vector<uint8_t>> compressFrames(const std::vector<uint8_t>& data,
                                                 unsigned windowBits) {
    QuantumEncoder encoder(windowBits);
    std::vector<std::vector<uint8_t>> frames;
    for (size_t at = 0; at < data.size(); at += kCodecOutputSize) {
        const uint32_t n = uint32_t(std::min<size_t>(kCodecOutputSize, data.size() - at));
        frames.push_back(encoder.encodeFrame(data.data() + at, n));
    }
    return frames;
}

TestCodec::TestCodec(unsigned windowBits, CodecResult* result) {
    uint32_t maxOutput = kCodecOutputSize;
    uint32_t inputSize = 0;
    QuantumParams params{windowBits, -1};
    CodecResult r = kQuantumCodec.create(&maxOutput, &params, testAlloc(), testFree(), &inputSize,
                                         &handle_, memoryFiles());
    if (result) *result = r;
}

TestCodec::~TestCodec() {
    if (handle_) kQuantumCodec.destroy(handle_);
}

CodecResult TestCodec::decode(const std::vector<uint8_t>& block, uint8_t* out, uint32_t wanted) {
    // An exact-size copy: any read past the block's end shows under the address sanitizer.
    std::unique_ptr<uint8_t[]> input(new uint8_t[block.size() ? block.size() : 1]);
    if (!block.empty()) std::memcpy(input.get(), block.data(), block.size());
    uint32_t size = wanted;
    return kQuantumCodec.decompress(handle_, input.get(), uint32_t(block.size()), out, &size);
}

CodecResult TestCodec::decodeAll(const std::vector<std::vector<uint8_t>>& frames,
                                 const std::vector<uint8_t>& original,
                                 std::vector<uint8_t>* decoded) {
    decoded->assign(original.size(), 0);
    size_t at = 0;
    for (const auto& frame : frames) {
        const uint32_t n = uint32_t(std::min<size_t>(kCodecOutputSize, original.size() - at));
        CodecResult r = decode(frame, decoded->data() + at, n);
        if (r != CodecSuccess) return r;
        at += n;
    }
    return CodecSuccess;
}

CodecResult TestCodec::reset() {
    return kQuantumCodec.reset(handle_);
}

}  // namespace tamrix::quantum_test
