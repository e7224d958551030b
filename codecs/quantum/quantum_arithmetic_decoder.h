// The 16-bit arithmetic decoder, restarted for every data block. Instead of the code register it
// keeps the code's offset above low, which every shift moves exactly as it moves the code.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_bit_reader.h"
#include "codecs/quantum/quantum_division.h"
#include "codecs/quantum/quantum_model.h"

// The Linux tool forces the decoder into the frame loop for speed; the stub, built for size,
// leaves the choice to the compiler (about 2 KiB of repeated decoding code saved).
#ifdef _WIN32
#define TAMRIX_QUANTUM_INLINE inline
#else
#define TAMRIX_QUANTUM_INLINE inline __attribute__((always_inline))
#endif

namespace tamrix::quantum {

// [low, high] after renormalising, and the bits it shifted in. Past every leading bit the two
// agree on, then past every bit where they straddle the middle (low 01..., high 10...): after the
// first bit where they differ, the run of bits where low has 1 and high 0. Such a straddle drops
// the second bit instead of the first, so low ends with a clear top bit and high a set one.
// low < high, at least 4 apart, as a decoded symbol always leaves them.
struct Renormalised {
    uint32_t low;
    uint32_t high;
    int shift;
};
// Both runs in one count: every bit the two agree on, and every bit whose successor straddles, is
// clear in (low ^ high) & ~((low & ~high) << 1), and the first set bit ends the runs (at the
// latest where the straddling stops). The OR of bit 0 keeps the count defined for any pair.
inline Renormalised renormalised(uint32_t low, uint32_t high) {
    const uint32_t stop = ((low ^ high) | 1) & ~((low & ~high) << 1);
    const int n = __builtin_clz(stop) - 16;
    return {(low << n) & 0x7FFF, ((high << n) | ((1u << n) - 1) | 0x8000) & 0xFFFF, n};
}

constexpr int kProductGroups = 1;
class ArithmeticDecoder {
  public:
    // prepareTotalReciprocals() has run.
    ArithmeticDecoder(const uint8_t* input, uint32_t size) : bits_(input, size) {
        bits_.refill();
        offset_ = bits_.take(16);
    }

    // `Groups` covers the model's symbols (see groupsFor).
    template <int Groups>
    TAMRIX_QUANTUM_INLINE uint32_t decode(QuantumModel& m) {
        const uint32_t total = m.cumFreq[0];
        // 65,536 right after the restart: the range needs 17 bits.
        const uint32_t range = high_ - low_ + 1;
        // The entry's target is dividend / range.
        const uint32_t dividend = (offset_ + 1) * total - 1;
#ifdef __SSE2__
        const int i = Groups <= kProductGroups ? findEntryByProducts<Groups>(m, range, dividend)
                                               : findEntryGrouped<Groups>(m, dividend / range);
#else
        const int i = findEntry(m, dividend / range);
#endif
        const uint32_t symbol = m.symbol[i];
        const uint64_t reciprocal = totalReciprocals.of[total];
#ifdef __SIZEOF_INT128__
        const uint64_t scale = range * reciprocal;
        const uint32_t top = divideScaledByTotal(m.cumFreq[i], scale);
        const uint32_t bottom = divideScaledByTotal(m.cumFreq[i + 1], scale);
#else
        const uint32_t top = divideByTotal(m.cumFreq[i] * range, reciprocal);
        const uint32_t bottom = divideByTotal(m.cumFreq[i + 1] * range, reciprocal);
#endif
        // top <= range: high stays within 16 bits, and above low (range > total).
        high_ = low_ + top - 1;
        low_ += bottom;
        offset_ = (offset_ - bottom) & 0xFFFF;
        renormalise();
        adaptModel<Groups>(m, i);
        return symbol;
    }

    // n raw bits, 0 to 24.
    TAMRIX_QUANTUM_INLINE uint32_t raw(int n) {
        bits_.refill();
        return bits_.take(n);
    }

    bool exhausted() const {
        return bits_.exhausted();
    }

  private:
    TAMRIX_QUANTUM_INLINE void renormalise() {
        const Renormalised r = renormalised(low_, high_);
        low_ = r.low;
        high_ = r.high;
        bits_.refill();
        offset_ = ((offset_ << r.shift) | bits_.take(r.shift)) & 0xFFFF;
    }

    BitReader bits_;
    uint32_t low_ = 0;
    uint32_t high_ = 0xFFFF;
    uint32_t offset_;
};

}  // namespace tamrix::quantum
