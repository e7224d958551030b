// Drives the MSZIP codec as the engine does: one output buffer for every block of a folder, and
// input buffers with slack bytes behind the block (filled with junk here, never stream data).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "codecs/codec_interface.h"

namespace tamrix::mszip::test {

inline void* testAlloc(uint32_t size) {
    return std::malloc(size);
}
inline void testFree(void* block) {
    std::free(block);
}

class MszipDecoder {
  public:
    explicit MszipDecoder(uint32_t maxOutput = 32768) {
        uint32_t inputSize = 0;
        EXPECT_EQ(kMszipCodec.create(&maxOutput, nullptr, testAlloc, testFree, &inputSize, &handle_,
                                     nullptr),
                  CodecSuccess);
    }
    ~MszipDecoder() { EXPECT_EQ(kMszipCodec.destroy(handle_), CodecSuccess); }
    MszipDecoder(const MszipDecoder&) = delete;
    MszipDecoder& operator=(const MszipDecoder&) = delete;

    // Decodes one block; `produced` gets the size reported (or stays at `size` on failure).
    CodecResult decode(const std::vector<uint8_t>& block, uint32_t* produced,
                       uint32_t size = 32768) {
        std::vector<uint8_t> input(block);
        input.resize(block.size() + kCodecInputSlack, 0xA5);
        *produced = size;
        return kMszipCodec.decompress(handle_, input.data(), uint32_t(block.size()), output_.data(),
                                      produced);
    }
    // Decodes a block that must succeed and returns its bytes.
    std::vector<uint8_t> decodeOk(const std::vector<uint8_t>& block) {
        uint32_t produced = 0;
        EXPECT_EQ(decode(block, &produced), CodecSuccess);
        return std::vector<uint8_t>(output_.begin(), output_.begin() + produced);
    }
    CodecResult reset() { return kMszipCodec.reset(handle_); }
    std::vector<uint8_t>& output() { return output_; }
    // The guard bytes behind the 32,768 the codec may write: untouched after any decode.
    bool guardIntact() const {
        for (size_t i = 32768; i < output_.size(); ++i) {
            if (output_[i] != kGuard) return false;
        }
        return true;
    }

  private:
    static constexpr uint8_t kGuard = 0xEE;
    void* handle_ = nullptr;
    std::vector<uint8_t> output_ = [] {
        std::vector<uint8_t> out(32768 + 64, kGuard);
        std::fill(out.begin(), out.begin() + 32768, 0);
        return out;
    }();
};

}  // namespace tamrix::mszip::test
