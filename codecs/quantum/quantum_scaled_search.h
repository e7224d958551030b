// The symbol search without the division: with target = floor(scaled / range), an entry's
// cumulative frequency c lies above the target exactly when c * range > scaled. Eight products
// at a time, as 16-bit halves compared high then low.
#pragma once

#ifdef __SSE2__

#include <emmintrin.h>

#include <cstdint>

#include "codecs/quantum/quantum_model.h"

namespace tamrix::quantum {

// For a range of at most 0xFFFF and scaled = (offset + 1) * total - 1 below 2^28; `Groups`
// covers the model's symbols. The same entry as findEntry(m, scaled / range).
template <int Groups>
inline int findEntryScaled(const QuantumModel& m, uint32_t range, uint32_t scaled) {
    const __m128i r = _mm_set1_epi16(int16_t(uint16_t(range)));
    // Low halves compared as signed numbers after flipping their top bits.
    const __m128i flip = _mm_set1_epi16(INT16_MIN);
    const __m128i scaledHigh = _mm_set1_epi16(int16_t(scaled >> 16));
    const __m128i scaledLow = _mm_set1_epi16(int16_t(uint16_t(scaled ^ 0x8000)));
    __m128i above[Groups];
    for (int g = 0; g < Groups; ++g) {
        const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(m.cumFreq + 1 + 8 * g));
        const __m128i high = _mm_mulhi_epu16(c, r);
        const __m128i low = _mm_xor_si128(_mm_mullo_epi16(c, r), flip);
        above[g] = _mm_or_si128(
            _mm_cmpgt_epi16(high, scaledHigh),
            _mm_and_si128(_mm_cmpeq_epi16(high, scaledHigh), _mm_cmpgt_epi16(low, scaledLow)));
    }
    // Frequencies decrease, so the entries above the target are a run from entry 1, and the
    // run's length is the entry decoded. The terminator, 0, is never above it.
    uint64_t mask = 0;
    for (int g = 0; g < Groups; g += 2) {
        const __m128i next = g + 1 < Groups ? above[g + 1] : _mm_setzero_si128();
        const auto bytes = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(above[g], next)));
        mask |= uint64_t(bytes) << (8 * g);
    }
    return __builtin_ctzll(~mask);
}

}  // namespace tamrix::quantum

#endif
