// Writes hand-made Quantum blocks: any literal or match the format can express, including the
// ones our compressor never makes (a match before the first byte, longer than the frame).
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/quantum/quantum_arithmetic_encoder.h"
#include "codecs/quantum/quantum_model.h"
#include "codecs/quantum/quantum_tables.h"

namespace tamrix::quantum_test {

class StreamWriter {
  public:
    explicit StreamWriter(unsigned windowBits) {
        for (int m = 0; m < quantum::kModelCount; ++m)
            quantum::initModel(models_[m], quantum::modelSymbolCount(m, windowBits));
    }

    void literal(uint8_t b) {
        symbol(quantum::kSelectorModel, b >> 6);
        symbol(quantum::kLiteralModel0 + (b >> 6), b & 63);
    }
    void literals(const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes) literal(b);
    }

    // length 3 to 259, distance 1 to the window size (within the selector's reach).
    void match(uint32_t length, uint32_t distance) {
        using namespace quantum;
        int positionModel = kPosition6Model;
        if (length == 3 || length == 4) {
            symbol(kSelectorModel, length + 1);
            positionModel = length == 3 ? kPosition4Model : kPosition5Model;
        } else {
            symbol(kSelectorModel, 6);
            const uint32_t v = length - kMinLongMatch;
            uint32_t slot = 0;
            while (slot + 1 < kLengthSlots && uint32_t(kSlotBases.length[slot + 1]) <= v) ++slot;
            symbol(kLengthModel, slot);
            ac_.raw(v - uint32_t(kSlotBases.length[slot]), kLengthExtraBits[slot]);
        }
        const uint32_t v = distance - 1;
        uint32_t slot = 0;
        while (slot + 1 < kPositionSlots && uint32_t(kSlotBases.position[slot + 1]) <= v) ++slot;
        symbol(positionModel, slot);
        ac_.raw(v - uint32_t(kSlotBases.position[slot]), kPositionExtraBits[slot]);
    }

    // Ends the block; the models carry on into the next one.
    std::vector<uint8_t> finishBlock() {
        std::vector<uint8_t> block = ac_.finish();
        ac_ = quantum::ArithmeticEncoder{};
        return block;
    }

  private:
    void symbol(int model, uint32_t s) {
        quantum::QuantumModel& m = models_[model];
        int i = 0;
        while (m.symbol[i] != s) ++i;
        ac_.encode(m.cumFreq[i], m.cumFreq[i + 1], m.cumFreq[0]);
        quantum::adaptModel(m, i);
    }

    quantum::QuantumModel models_[quantum::kModelCount];
    quantum::ArithmeticEncoder ac_;
};

}  // namespace tamrix::quantum_test
