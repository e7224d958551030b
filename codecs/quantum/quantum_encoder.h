// Quantum compressor for the host tools: the exact mirror of the decoder, one frame (one
// cabinet data block) at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tamrix {

class QuantumEncoder {
public:
    // windowBits: 10 to 21; anything else is clamped into that range.
    explicit QuantumEncoder(unsigned windowBits);
    ~QuantumEncoder();
    QuantumEncoder(QuantumEncoder&&) noexcept;
    QuantumEncoder& operator=(QuantumEncoder&&) noexcept;

    // Compresses the next frame of one folder (at most 32768 bytes; only the last frame may be
    // shorter) into the bytes of one cabinet data block. Models and window carry over to the
    // next frame; no match crosses the frame's end, and the block holds every bit the decoder
    // will want.
    std::vector<uint8_t> encodeFrame(const uint8_t* data, uint32_t size);

    unsigned windowBits() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tamrix
