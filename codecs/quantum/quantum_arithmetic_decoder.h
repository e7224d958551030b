// The 16-bit arithmetic decoder, restarted for every data block. Instead of the code register it
// keeps the code's offset above low, which every shift moves exactly as it moves the code.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_bit_reader.h"
#include "codecs/quantum/quantum_division.h"
#include "codecs/quantum/quantum_inline.h"
#include "codecs/quantum/quantum_model.h"

namespace tamrix::quantum {

// The selector's own decoding below; the stub, built for size, searches it like the others.
#ifdef _WIN32
constexpr bool kSelectorByProducts = false;
#else
constexpr bool kSelectorByProducts = true;
#endif

// [low, high] after renormalising, and the bits it shifted in. Past every leading bit the two
// agree on, then past every bit where they straddle the middle (low 01..., high 10...): after the
// first bit where they differ, the run of bits where low has 1 and high 0. Such a straddle drops
// the second bit instead of the first, so low ends with a clear top bit and high a set one.
// low < high, at least 4 apart, as a decoded symbol always leaves them.
struct Renormalised {
    uint32_t low;
    uint32_t high;
    int shift;
    int lead;  // shift + 16, the count itself: a step less for what waits on the shift
};
// Both runs in one count: every bit the two agree on, and every bit whose successor straddles, is
// clear in (low ^ high) & ~((low & ~high) << 1), and the first set bit ends the runs (at the
// latest where the straddling stops). The OR of bit 0 keeps the count defined for any pair.
TAMRIX_QUANTUM_INLINE Renormalised renormalised(uint32_t low, uint32_t high) {
    const uint32_t stop = ((low ^ high) | 1) & ~((low & ~high) << 1);
    const int lead = __builtin_clz(stop);
    const int n = lead - 16;
    return {(low << n) & 0x7FFF, ((high << n) | ((1u << n) - 1) | 0x8000) & 0xFFFF, n, lead};
}

class ArithmeticDecoder {
  public:
    // prepareTotalReciprocals() has run.
    TAMRIX_QUANTUM_INLINE ArithmeticDecoder(const uint8_t* input, uint32_t size)
        : bits_(input, size) {
        bits_.refill();
        offset_ = bits_.take(16);
    }

    // `Groups` covers the model's symbols (see groupsFor). `Ample`: ample() held before this
    // step of the frame loop.
    template <int Groups, bool Ample = false>
    TAMRIX_QUANTUM_INLINE uint32_t decode(QuantumModel& m) {
        const uint32_t total = m.cumFreq[0];
        // 65,536 right after the restart: the range needs 17 bits.
        const uint32_t range = range_;
        const uint64_t reciprocal = totalReciprocals.of[total];
        int i;
        uint32_t top, bottom;
        if constexpr (Groups == 1 && kSelectorByProducts) {
            // The selector's few entries without a division or a vector: for integers c and
            // r > 0, c > floor(x / r) exactly when c * r > x, so the entries above the target
            // are those whose product exceeds the dividend. They run from entry 1 (frequencies
            // decrease), their count is the entry decoded, and the products on either side of
            // the dividend are the bounds' dividends, with no load after the search.
            const uint32_t dividend = (offset_ + 1) * total - 1;
            uint32_t upper = total * range;  // entry 0's, for a target beyond the total
            uint32_t lower = 0;
            i = 0;
#pragma GCC unroll 8
            for (int j = 1; j <= 8 * Groups - 1; ++j) {
                const uint32_t product = m.cumFreq[j] * range;
                i += product > dividend;
                upper = product > dividend ? product : upper;
            }
#pragma GCC unroll 8
            for (int j = 8 * Groups - 1; j >= 1; --j) {
                const uint32_t product = m.cumFreq[j] * range;
                lower = product > dividend ? lower : product;
            }
            top = divideByTotal(upper, reciprocal);
            bottom = divideByTotal(lower, reciprocal);
        } else {
#ifdef __SSE2__
            i = findEntryGrouped<Groups>(m, target(total));
#else
            i = findEntry(m, target(total));
#endif
#ifdef __LP64__
            const uint64_t scale = range * reciprocal;
            top = divideScaledByTotal(m.cumFreq[i], scale);
            bottom = divideScaledByTotal(m.cumFreq[i + 1], scale);
#else
            top = divideByTotal(m.cumFreq[i] * range, reciprocal);
            bottom = divideByTotal(m.cumFreq[i + 1] * range, reciprocal);
#endif
        }
        const uint32_t symbol = m.symbol[i];
        // top <= range: high stays within 16 bits, and above low (range > total).
        const uint32_t high = low_ + top - 1;
        low_ += bottom;
        range_ = top - bottom;
        prepareTarget();
        offset_ -= bottom;  // renormalise() keeps the low 16 bits
        renormalise<Ample>(high);
        adaptModel<Groups>(m, i);
        return symbol;
    }

    // n raw bits, 0 to 24.
    template <bool Ample = false>
    TAMRIX_QUANTUM_INLINE uint32_t raw(int n) {
        bits_.refill<Ample>();
        return bits_.take(n);
    }

    // Enough input remains for one step of the frame loop (a selector, up to three symbols and
    // two runs of raw bits: at most five refills of 7 bytes each, the last loading 8) to refill
    // by whole words only; no bit can then come from beyond the block.
    TAMRIX_QUANTUM_INLINE bool ample() const {
        return bits_.ample(kStepInput);
    }

    TAMRIX_QUANTUM_INLINE bool exhausted() const {
        return bits_.exhausted();
    }

  private:
    static constexpr uint32_t kStepInput = 5 * 7 + 8;

#ifdef __LP64__
    // The target ((offset + 1) * total - 1) / range. The range is r << shift, r the range the
    // last symbol left before renormalising, so the target is floor(n / r) with n the dividend
    // shifted right by shift (dividing by 2^shift, then by r, divides by their product). The
    // division by r is a multiplication with its reciprocal, made while the last symbol
    // renormalised: the target follows the dividend by a shift and a multiplication, not a
    // division. The + 1 that divideByRange asks for goes into the dividend as + 2^shift.
    TAMRIX_QUANTUM_INLINE uint32_t target(uint32_t total) const {
        const uint32_t n = (offset_ * total + (total - 1 + (1u << shift_))) >> shift_;
        return divideByRange(n, rangeReciprocal_);
    }
    // Called before renormalising, while range_ is still r: at least 4 (a range above 2^14, or
    // 2^16 at the restart, cut in proportion to a frequency of at least 1 in a total below 2^12).
    TAMRIX_QUANTUM_INLINE void prepareTarget() {
        rangeReciprocal_ = rangeReciprocal(range_);
    }
#else
    TAMRIX_QUANTUM_INLINE uint32_t target(uint32_t total) const {
        return ((offset_ + 1) * total - 1) / range_;
    }
    TAMRIX_QUANTUM_INLINE void prepareTarget() {}
#endif

    template <bool Ample>
    TAMRIX_QUANTUM_INLINE void renormalise(uint32_t high) {
        const Renormalised r = renormalised(low_, high);
        low_ = r.low;
        // Every shift doubles the range, a straddle included (it drops the same bit from both
        // ends): high - low + 1 after renormalising is (high - low + 1) << shift before.
        range_ <<= r.shift;
#ifdef __LP64__
        shift_ = r.shift;
#endif
        bits_.refill<Ample>();
        offset_ = bits_.shiftIn(offset_, r.shift, r.lead);
    }

    BitReader bits_;
    uint32_t low_ = 0;
    uint32_t range_ = 0x10000;  // high - low + 1
    uint32_t offset_;
#ifdef __LP64__
    uint64_t rangeReciprocal_ = rangeReciprocal(0x10000);  // the restart's
    int shift_ = 0;
#endif
};

}  // namespace tamrix::quantum
