#include "codecs/quantum/quantum_division.h"

namespace tamrix::quantum {

TotalReciprocals totalReciprocals;

namespace {

// floor(2^40 / d) by long division in 16-bit digits (2^40 is 0x100:0000:0000), each step a 32-bit
// division: the stub then needs no 64-bit division routine from the compiler's runtime.
uint64_t twoToThe40Over(uint32_t d) {
    uint32_t high = 0x100 / d;
    uint32_t rest = 0x100 % d;
    uint32_t middle = (rest << 16) / d;
    rest = (rest << 16) % d;
    uint32_t low = (rest << 16) / d;
    return uint64_t(high) << 32 | middle << 16 | low;
}

}  // namespace

void prepareTotalReciprocals() {
    if (totalReciprocals.of[1]) return;
    for (uint32_t d = 1; d <= kMaxTotal; ++d) totalReciprocals.of[d] = twoToThe40Over(d) + 1;
}

}  // namespace tamrix::quantum
