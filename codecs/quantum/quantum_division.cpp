#include "codecs/quantum/quantum_division.h"

namespace tamrix::quantum {

TotalReciprocals totalReciprocals;

void prepareTotalReciprocals() {
    if (totalReciprocals.of[1]) return;
    for (uint32_t d = 1; d <= kMaxTotal; ++d) totalReciprocals.of[d] = (uint64_t(1) << 40) / d + 1;
}

}  // namespace tamrix::quantum
