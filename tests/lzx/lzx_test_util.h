// Helpers for the LZX suites: a decoder driven through its codec operations, test data and
// whole-folder compression.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/codec_interface.h"
#include "codecs/lzx/lzx_encoder.h"

namespace tamrix::lzx_test {

// One codec handle, created for real, with the engine's input slack behind every block.
class Decoder {
  public:
    explicit Decoder(uint32_t windowSize);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    bool ok() const { return handle_ != nullptr; }
    CodecResult createResult() const { return createResult_; }
    // Decodes one data block that should give `wanted` bytes. Slack bytes are filled with
    // `slackFill` so that tests can see they are never taken for stream bytes.
    CodecResult decode(const std::vector<uint8_t>& block, uint32_t wanted,
                       std::vector<uint8_t>* out, uint8_t slackFill = 0);
    CodecResult reset();
    void* handle() const { return handle_; }

  private:
    void* handle_ = nullptr;
    CodecResult createResult_;
};

// Deterministic test data of several kinds.
std::vector<uint8_t> makeText(uint32_t size, uint32_t seed);
std::vector<uint8_t> makeX86Like(uint32_t size, uint32_t seed);
std::vector<uint8_t> makeRandom(uint32_t size, uint32_t seed);
std::vector<uint8_t> makeMixed(uint32_t size, uint32_t seed);

// Compresses a folder frame by frame.
std::vector<std::vector<uint8_t>> compressFolder(LzxEncoder& encoder,
                                                 const std::vector<uint8_t>& data);

// Decodes the frames of a folder and returns the bytes, or an empty result with *failedAt set.
std::vector<uint8_t> decompressFolder(Decoder& decoder,
                                      const std::vector<std::vector<uint8_t>>& blocks,
                                      uint32_t totalSize, int* failedAt = nullptr);

}  // namespace tamrix::lzx_test
