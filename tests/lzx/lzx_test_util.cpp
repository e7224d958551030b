#include "tests/lzx/lzx_test_util.h"

#include <cstdlib>
#include <cstring>
#include <random>

namespace tamrix::lzx_test {
namespace {
void* testAlloc(uint32_t size) {
    return std::malloc(size);
}
void testFree(void* p) {
    std::free(p);
}
}  // namespace

Decoder::Decoder(uint32_t windowSize) {
    uint32_t maxOutput = kCodecOutputSize;
    uint32_t inputSize = 0;
    LzxParams params{windowSize};
    createResult_ =
        kLzxCodec.create(&maxOutput, &params, testAlloc, testFree, &inputSize, &handle_, nullptr);
}

Decoder::~Decoder() {
    if (handle_ != nullptr) kLzxCodec.destroy(handle_);
}

CodecResult Decoder::decode(const std::vector<uint8_t>& block, uint32_t wanted,
                            std::vector<uint8_t>* out, uint8_t slackFill) {
    std::vector<uint8_t> input(block);
    input.resize(block.size() + kCodecInputSlack, slackFill);
    out->assign(kCodecOutputSize, 0xCD);
    uint32_t size = wanted;
    CodecResult r =
        kLzxCodec.decompress(handle_, input.data(), uint32_t(block.size()), out->data(), &size);
    out->resize(r == CodecSuccess ? size : 0);
    return r;
}

CodecResult Decoder::reset() {
    return kLzxCodec.reset(handle_);
}

std::vector<uint8_t> makeText(uint32_t size, uint32_t seed) {
    static const char* const kWords[] = {
        "the ",     "cabinet ", "folder ",  "window ", "match ", "stream ", "of ",
        "and ",     "a ",       "decoder ", "block ",  "tree ",  "length ", "\n",
        "extract ", "file ",    "data ",    "to ",     "in ",    "is ",     "bits ",
        "frame ",   "header ",  "offset ",  ", ",      ". ",     "Setup ",  "install "};
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    out.reserve(size);
    while (out.size() < size) {
        const char* w = kWords[rng() % (sizeof kWords / sizeof kWords[0])];
        for (; *w && out.size() < size; ++w) out.push_back(uint8_t(*w));
        if (rng() % 17 == 0) {
            char num[16];
            std::snprintf(num, sizeof num, "%u ", unsigned(rng() % 100000));
            for (char* c = num; *c && out.size() < size; ++c) out.push_back(uint8_t(*c));
        }
    }
    return out;
}

std::vector<uint8_t> makeX86Like(uint32_t size, uint32_t seed) {
    // Instruction-like bytes with many relative calls to a few targets.
    std::mt19937 rng(seed);
    static const uint8_t kOps[][3] = {{0x8B, 0x45, 0xFC}, {0x89, 0x45, 0xF8}, {0x55, 0x8B, 0xEC},
                                      {0x83, 0xC4, 0x08}, {0x6A, 0x00, 0x90}, {0x33, 0xC0, 0xC3}};
    uint32_t targets[8];
    for (uint32_t& t : targets) t = rng() % (size + 1);
    std::vector<uint8_t> out;
    out.reserve(size + 8);
    while (out.size() < size) {
        const uint32_t pick = rng() % 10;
        if (pick < 3) {
            const int32_t rel = int32_t(targets[rng() % 8]) - int32_t(out.size() + 5);
            out.push_back(0xE8);
            for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(rel) >> (8 * i)));
        } else if (pick == 3) {
            out.push_back(0xE8);  // a stray E8 with arbitrary operand bytes
            out.push_back(uint8_t(rng()));
        } else {
            const uint8_t* op = kOps[rng() % 6];
            out.insert(out.end(), op, op + 3);
        }
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> makeRandom(uint32_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (uint8_t& b : out) b = uint8_t(rng());
    return out;
}

std::vector<uint8_t> makeMixed(uint32_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    out.reserve(size);
    while (out.size() < size) {
        const uint32_t part = 1000 + rng() % 40000;
        std::vector<uint8_t> piece;
        switch (rng() % 4) {
            case 0:
                piece = makeText(part, rng());
                break;
            case 1:
                piece = makeX86Like(part, rng());
                break;
            case 2:
                piece = makeRandom(part % 5000, rng());
                break;
            default:
                // Repeats of earlier data at long distances and runs.
                if (out.size() > part) {
                    const uint32_t from = rng() % uint32_t(out.size() - part);
                    piece.assign(out.begin() + from, out.begin() + from + part);
                } else {
                    piece.assign(part, uint8_t(rng()));
                }
        }
        out.insert(out.end(), piece.begin(), piece.end());
    }
    out.resize(size);
    return out;
}

std::vector<std::vector<uint8_t>> compressFolder(LzxEncoder& encoder,
                                                 const std::vector<uint8_t>& data) {
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < data.size(); at += kCodecOutputSize) {
        const uint32_t n = uint32_t(std::min<size_t>(kCodecOutputSize, data.size() - at));
        blocks.push_back(encoder.encodeFrame(data.data() + at, n));
    }
    return blocks;
}

std::vector<uint8_t> decompressFolder(Decoder& decoder,
                                      const std::vector<std::vector<uint8_t>>& blocks,
                                      uint32_t totalSize, int* failedAt) {
    std::vector<uint8_t> result, frame;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const uint32_t wanted =
            std::min<uint32_t>(kCodecOutputSize, totalSize - uint32_t(i) * kCodecOutputSize);
        if (decoder.decode(blocks[i], wanted, &frame, uint8_t(0xA5 + i)) != CodecSuccess ||
            frame.size() != wanted) {
            if (failedAt) *failedAt = int(i);
            return {};
        }
        result.insert(result.end(), frame.begin(), frame.end());
    }
    if (failedAt) *failedAt = -1;
    return result;
}

}  // namespace tamrix::lzx_test
