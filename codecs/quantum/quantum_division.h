// Division by a model's total through a multiplication. Totals stay below 4096 and the
// dividends (a cumulative frequency times the range) at most total * 65,536, and within those
// bounds floor(n * (floor(2^40 / d) + 1) / 2^40) is exactly floor(n / d): the error term stays
// below n / 2^40 <= d / 2^24 < 1 / d.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_model.h"

namespace tamrix::quantum {

constexpr uint32_t kMaxTotal = 4095;
// A model is rescaled as soon as its total passes the threshold, so a symbol is only ever
// decoded against a total at or below it.
static_assert(kRescaleThreshold <= kMaxTotal);

struct TotalReciprocals {
    uint64_t of[kMaxTotal + 1];
};
constexpr TotalReciprocals makeTotalReciprocals() {
    TotalReciprocals t{};
    for (uint32_t d = 1; d <= kMaxTotal; ++d) t.of[d] = (uint64_t(1) << 40) / d + 1;
    return t;
}
inline constexpr TotalReciprocals kTotalReciprocals = makeTotalReciprocals();

// n / total for n <= total * 65,536 and 1 <= total <= 4095.
inline uint32_t divideByTotal(uint32_t n, uint64_t reciprocal) {
    return uint32_t((uint64_t(n) * reciprocal) >> 40);
}

}  // namespace tamrix::quantum
