// Quantum compressor for the host tools: the exact mirror of the decoder, one frame (one
// cabinet data block) at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tamrix {

class QuantumEncoder {
  public:
    // windowBits: 10 to 21; anything else is clamped into that range. level: 1 (fastest) to
    // 9 (smallest output), clamped likewise; 6 is the default.
    explicit QuantumEncoder(unsigned windowBits, int level = 6);
    ~QuantumEncoder();
    QuantumEncoder(QuantumEncoder&&) noexcept;
    QuantumEncoder& operator=(QuantumEncoder&&) noexcept;

    // Compresses the next frame of one folder (at most 32768 bytes; only the last frame may be
    // shorter) into the bytes of one cabinet data block. Models and window carry over to the
    // next frame; no match crosses the frame's end, and the block holds every bit the decoder
    // will want.
    std::vector<uint8_t> encodeFrame(const uint8_t* data, uint32_t size);

    unsigned windowBits() const;

    // The largest block a frame may become: by default the decoder's input buffer for a full
    // frame (43,008 bytes). A frame whose block would be larger is coded again as literals
    // only, from the models it started with.
    void setBlockLimit(uint32_t bytes);
    static constexpr uint32_t kDefaultBlockLimit = 32768 + 10240;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tamrix
