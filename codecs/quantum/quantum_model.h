// The adaptive frequency model that both directions of the arithmetic code share, so the
// compressor and the decoder adapt, halve and reorder by the very same code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/quantum/quantum_inline.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef __AVX512BW__
#include <immintrin.h>
#endif

namespace tamrix::quantum {

constexpr int kMaxModelSymbols = 64;
constexpr uint32_t kFrequencyStep = 8;
constexpr uint32_t kRescaleThreshold = 3800;
// Entry 0, then entries 1 to 64 as eight groups of 8 (the terminator of the largest model is
// entry 64).
constexpr int kCumFreqSlots = 1 + kMaxModelSymbols;

// Entries 0..count-1 hold the symbols in their current order with decreasing cumulative
// frequencies (entry 0 carries the total); entry `count` and all after it hold 0, which stops
// every search. A total never passes 3800 + 8, so 16 bits hold every frequency.
struct alignas(16) QuantumModel {
    int32_t count;
    int32_t reorderCountdown;
    uint16_t unused[3];  // puts entry 1 on a 16-byte boundary, for whole groups of 8 from there
    uint16_t cumFreq[kCumFreqSlots];
    uint8_t symbol[kMaxModelSymbols];
};
static_assert((offsetof(QuantumModel, cumFreq) + sizeof(uint16_t)) % 16 == 0);

inline void initModel(QuantumModel& m, int count) {
    m.count = count;
    m.reorderCountdown = 4;
    for (int j = 0; j < kCumFreqSlots; ++j) m.cumFreq[j] = uint16_t(j < count ? count - j : 0);
    for (int j = 0; j < kMaxModelSymbols; ++j) m.symbol[j] = uint8_t(j);
}

// Three rescales halve, the fourth (and then every 50th) rebuilds the order by frequency with a
// pairwise exchange sort. The exchange is not stable, and the order it leaves equal frequencies
// in decides the code, so it must stay exactly this loop.
// In the Linux tool it keeps every register but the flags and touches no vector register: the
// frame loop's state then stays in registers across the rare call.
#if defined(__x86_64__) && defined(__linux__) && !defined(__clang__)
#define TAMRIX_KEEPS_REGISTERS \
    __attribute__((no_caller_saved_registers, target("general-regs-only")))
#else
#define TAMRIX_KEEPS_REGISTERS
#endif
TAMRIX_KEEPS_REGISTERS void rescaleModel(QuantumModel& m);

// Groups of 8 entries from entry 1 that hold every symbol of a model of `symbols` but the first.
constexpr int groupsFor(int symbols) {
    return (symbols + 6) / 8;
}

// The entry to decode for `target`: the first whose successor's cumulative frequency is at or
// below it. The terminator bounds the search, and a target at or above the total (corrupt input)
// gives entry 0.
inline int findEntry(const QuantumModel& m, uint32_t target) {
    int i = 0;
    while (m.cumFreq[i + 1] > target) ++i;
    return i;
}

#if defined(__AVX512BW__) && defined(__AVX512VL__)
// The same entry as findEntry, without a branch: the entries above the target are a run from
// entry 1 (frequencies decrease), so the first entry at or below it is the entry decoded; the
// terminator, 0, always is. `Groups` covers the model's symbols; whole registers may read past
// the terminator, where entries hold 0 as well. Unsigned compares of 32 entries at once straight
// into mask registers, with no clamp: a range is above 2^14 (after renormalising, low < 2^14 or
// high >= 3 * 2^14), so the target stays below 2^16 * 2^12 / 2^14 and fits 16 bits.
template <int Groups>
TAMRIX_QUANTUM_INLINE int findEntryGrouped(const QuantumModel& m, uint32_t target) {
    if constexpr (Groups <= 2) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(m.cumFreq + 1));
        return __builtin_ctz(_mm256_cmple_epu16_mask(c, _mm256_set1_epi16(int16_t(target))));
    } else {
        const __m512i t = _mm512_set1_epi16(int16_t(target));
        uint64_t notAbove = _mm512_cmple_epu16_mask(_mm512_loadu_si512(m.cumFreq + 1), t);
        if constexpr (Groups > 4) {
            const __m512i high = _mm512_loadu_si512(m.cumFreq + 33);
            notAbove |= uint64_t(_mm512_cmple_epu16_mask(high, t)) << 32;
        }
        return __builtin_ctzll(notAbove);
    }
}
#elif defined(__SSE2__)
// The same entry as findEntry, without a branch: the entries above the target are a run from
// entry 1 (frequencies decrease), and the run's length is the entry decoded. `Groups` covers the
// model's symbols; the terminator, 0, is never above the target.
template <int Groups>
TAMRIX_QUANTUM_INLINE int findEntryGrouped(const QuantumModel& m, uint32_t target) {
    const __m128i t = _mm_set1_epi16(int16_t(target < 0x7FFF ? target : 0x7FFF));
    const auto above = [&](int g) {
        if (g >= Groups) return _mm_setzero_si128();
        const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(m.cumFreq + 1 + 8 * g));
        return _mm_cmpgt_epi16(c, t);
    };
    // The 16-bit masks of group pairs join as a tree rather than one after another.
    uint64_t pairs[4] = {};
#pragma GCC unroll 4
    for (int g = 0; g < Groups; g += 2)
        pairs[g / 2] = uint32_t(_mm_movemask_epi8(_mm_packs_epi16(above(g), above(g + 1))));
    const uint64_t mask = (pairs[0] | pairs[1] << 16) | (pairs[2] | pairs[3] << 16) << 32;
    return __builtin_ctzll(~mask);
}
#endif

// After coding the symbol at entry i: every cumulative frequency up to it grows by the step.
// `Groups` covers the model's symbols.
template <int Groups = groupsFor(kMaxModelSymbols)>
TAMRIX_QUANTUM_INLINE void adaptModel(QuantumModel& m, int i) {
#if defined(__AVX512BW__) && defined(__AVX512VL__)
    // Entries 1 to i, as bits 0 to i - 1, with stores as wide as findEntryGrouped's loads: a
    // search soon after then takes the entries straight from the stores.
    m.cumFreq[0] = uint16_t(m.cumFreq[0] + kFrequencyStep);
    const uint64_t grow = (uint64_t(1) << i) - 1;  // i < 64
    if constexpr (Groups <= 2) {
        auto* p = reinterpret_cast<__m256i*>(m.cumFreq + 1);
        const __m256i c = _mm256_loadu_si256(p);
        _mm256_storeu_si256(
            p, _mm256_mask_add_epi16(c, __mmask16(grow), c, _mm256_set1_epi16(kFrequencyStep)));
    } else {
        const __m512i step = _mm512_set1_epi16(kFrequencyStep);
        const __m512i low = _mm512_loadu_si512(m.cumFreq + 1);
        _mm512_storeu_si512(m.cumFreq + 1, _mm512_mask_add_epi16(low, __mmask32(grow), low, step));
        if constexpr (Groups > 4) {
            const __m512i high = _mm512_loadu_si512(m.cumFreq + 33);
            _mm512_storeu_si512(m.cumFreq + 33,
                                _mm512_mask_add_epi16(high, __mmask32(grow >> 32), high, step));
        }
    }
#elif defined(__SSE2__)
    m.cumFreq[0] = uint16_t(m.cumFreq[0] + kFrequencyStep);
    const __m128i step = _mm_set1_epi16(int16_t(kFrequencyStep));
    const __m128i last = _mm_set1_epi16(int16_t(i));
#pragma GCC unroll 8
    for (int g = 0; g < Groups; ++g) {
        auto* p = reinterpret_cast<__m128i*>(m.cumFreq + 1 + 8 * g);
        const __m128i entry =
            _mm_add_epi16(_mm_set1_epi16(int16_t(8 * g)), _mm_setr_epi16(1, 2, 3, 4, 5, 6, 7, 8));
        const __m128i beyond = _mm_cmpgt_epi16(entry, last);
        _mm_store_si128(p, _mm_add_epi16(_mm_load_si128(p), _mm_andnot_si128(beyond, step)));
    }
#else
    for (int k = 0; k <= i; ++k) m.cumFreq[k] = uint16_t(m.cumFreq[k] + kFrequencyStep);
#endif
    if (m.cumFreq[0] > kRescaleThreshold) rescaleModel(m);
}

}  // namespace tamrix::quantum
