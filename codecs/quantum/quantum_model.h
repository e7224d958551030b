// The adaptive frequency model that both directions of the arithmetic code share, so the
// compressor and the decoder adapt, halve and reorder by the very same code.
#pragma once

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tamrix::quantum {

constexpr int kMaxModelSymbols = 64;
constexpr uint32_t kFrequencyStep = 8;
constexpr uint32_t kRescaleThreshold = 3800;
// The terminator after the last symbol, then zeros up to a whole group of 8 from entry 1: a
// search may read the group holding the terminator.
constexpr int kCumFreqSlots = kMaxModelSymbols + 8;

// Entries 0..count-1 hold the symbols in their current order with decreasing cumulative
// frequencies (entry 0 carries the total); entry `count` and all after it hold 0, which stops
// every search. A total never passes 3800 + 8, so 16 bits hold every frequency.
struct QuantumModel {
    int32_t count;
    int32_t reorderCountdown;
    alignas(16) uint16_t cumFreq[kCumFreqSlots];
    uint8_t symbol[kMaxModelSymbols];
};

inline void initModel(QuantumModel& m, int count) {
    m.count = count;
    m.reorderCountdown = 4;
    for (int j = 0; j < kCumFreqSlots; ++j) {
        m.cumFreq[j] = uint16_t(j < count ? count - j : 0);
        if (j < kMaxModelSymbols) m.symbol[j] = uint8_t(j);
    }
}

// Three rescales halve, the fourth (and then every 50th) rebuilds the order by frequency with a
// pairwise exchange sort. The exchange is not stable, and the order it leaves equal frequencies
// in decides the code, so it must stay exactly this loop.
void rescaleModel(QuantumModel& m);

// The entry to decode for `target`: the first whose successor's cumulative frequency is at or
// below it. The terminator bounds the search, and a target at or above the total (corrupt input)
// gives entry 0.
inline int findEntry(const QuantumModel& m, uint32_t target) {
#ifdef __SSE2__
    // Groups of 8 frequencies from entry 0: the first at or below the target follows the entry.
    const __m128i t = _mm_set1_epi16(int16_t(target < 0x7FFF ? target : 0x7FFF));
    for (int k = 0;; k += 8) {
        const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(m.cumFreq + k));
        const unsigned above = unsigned(_mm_movemask_epi8(_mm_cmpgt_epi16(c, t)));
        if (above != 0xFFFF) {
            const int first = k + (__builtin_ctz(~above) >> 1);
            return first ? first - 1 : 0;
        }
    }
#else
    int i = 0;
    while (m.cumFreq[i + 1] > target) ++i;
    return i;
#endif
}

// After coding the symbol at entry i: every cumulative frequency up to it grows by the step.
inline void adaptModel(QuantumModel& m, int i) {
#ifdef __SSE2__
    const __m128i step = _mm_set1_epi16(int16_t(kFrequencyStep));
    const __m128i last = _mm_set1_epi16(int16_t(i));
    __m128i index = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    for (int k = 0; k <= i; k += 8) {
        auto* p = reinterpret_cast<__m128i*>(m.cumFreq + k);
        const __m128i beyond = _mm_cmpgt_epi16(index, last);
        _mm_store_si128(p, _mm_add_epi16(_mm_load_si128(p), _mm_andnot_si128(beyond, step)));
        index = _mm_add_epi16(index, _mm_set1_epi16(8));
    }
#else
    for (int k = 0; k <= i; ++k) m.cumFreq[k] = uint16_t(m.cumFreq[k] + kFrequencyStep);
#endif
    if (m.cumFreq[0] > kRescaleThreshold) rescaleModel(m);
}

}  // namespace tamrix::quantum
