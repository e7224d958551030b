// Division by a model's total through a multiplication. Totals stay below 4096 and the
// dividends (a cumulative frequency times the range) at most total * 65,536, and within those
// bounds floor(n * (floor(2^40 / d) + 1) / 2^40) is exactly floor(n / d): the error term stays
// below n / 2^40 <= d / 2^24 < 1 / d.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_inline.h"
#include "codecs/quantum/quantum_model.h"

namespace tamrix::quantum {

constexpr uint32_t kMaxTotal = 4095;
// A model is rescaled as soon as its total passes the threshold, so a symbol is only ever
// decoded against a total at or below it.
static_assert(kRescaleThreshold <= kMaxTotal);

struct TotalReciprocals {
    uint64_t of[kMaxTotal + 1];
};
// Built at run time, once, rather than stored: the 32 KiB table would otherwise ride in every
// package's stub.
extern TotalReciprocals totalReciprocals;
void prepareTotalReciprocals();

// n / total for n <= total * 65,536 and 1 <= total <= 4095.
TAMRIX_QUANTUM_INLINE uint32_t divideByTotal(uint32_t n, uint64_t reciprocal) {
    return uint32_t((uint64_t(n) * reciprocal) >> 40);
}

#ifdef __LP64__
// c * range / total for c <= total, with `scale` = range * reciprocal made while the symbol is
// still being searched, so one multiplication follows the frequency's load instead of two. The
// product stays within 64 bits: c * range * reciprocal <= range * (2^40 + total) < 2^57.
TAMRIX_QUANTUM_INLINE uint32_t divideScaledByTotal(uint32_t c, uint64_t scale) {
    return uint32_t((c * scale) >> 40);
}

// floor((2^44 - 1) / r), just below 2^44 / r, for 4 <= r <= 2^16.
TAMRIX_QUANTUM_INLINE uint64_t rangeReciprocal(uint32_t r) {
    return ((uint64_t(1) << 44) - 1) / r;
}

// floor(n / r) for n < 2^28 and a quotient below 2^14, given n + 1 and r's reciprocal m =
// 2^44 / r - e, 0 < e <= 1: (n + 1) * m / 2^44 falls short of (n + 1) / r, which lies in
// (floor(n / r), floor(n / r) + 1], by more than 0 and at most (n + 1) / 2^44 <= 1 / r, so it
// keeps the floor. The product stays below 2^58.
TAMRIX_QUANTUM_INLINE uint32_t divideByRange(uint32_t nPlusOne, uint64_t reciprocal) {
    return uint32_t((nPlusOne * reciprocal) >> 44);
}
#endif

}  // namespace tamrix::quantum
