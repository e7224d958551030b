// The adaptive frequency model that both directions of the arithmetic code share, so the
// compressor and the decoder adapt, halve and reorder by the very same code.
#pragma once

#include <cstdint>

namespace tamrix::quantum {

constexpr int kMaxModelSymbols = 64;
constexpr uint32_t kFrequencyStep = 8;
constexpr uint32_t kRescaleThreshold = 3800;

struct QuantumModelEntry {
    uint32_t cumFreq;
    uint32_t symbol;
};

// Entries 0..count-1 hold the symbols in their current order with decreasing cumulative
// frequencies (entry 0 carries the total); entry `count` is a terminator with frequency 0, which
// stops every search.
struct QuantumModel {
    int32_t count;
    int32_t reorderCountdown;
    QuantumModelEntry entries[kMaxModelSymbols + 1];
};

inline void initModel(QuantumModel& m, int count) {
    m.count = count;
    m.reorderCountdown = 4;
    for (int j = 0; j <= count; ++j) m.entries[j] = {uint32_t(count - j), uint32_t(j)};
}

// First entry whose successor's cumulative frequency is at or below target. The terminator's 0
// bounds the search, and a target at or above the total (corrupt input) gives entry 0.
inline int findEntry(const QuantumModel& m, uint32_t target) {
    int i = 0;
    while (m.entries[i + 1].cumFreq > target) ++i;
    return i;
}

// Three rescales halve, the fourth (and then every 50th) rebuilds the order by frequency with a
// pairwise exchange sort. The exchange is not stable, and the order it leaves equal frequencies
// in decides the code, so it must stay exactly this loop.
inline void rescaleModel(QuantumModel& m) {
    QuantumModelEntry* e = m.entries;
    const int n = m.count;
    if (--m.reorderCountdown != 0) {
        for (int i = n - 1; i >= 0; --i) {
            e[i].cumFreq >>= 1;
            if (e[i].cumFreq <= e[i + 1].cumFreq) e[i].cumFreq = e[i + 1].cumFreq + 1;
        }
        return;
    }
    m.reorderCountdown = 50;
    for (int i = 0; i < n; ++i) e[i].cumFreq = (e[i].cumFreq - e[i + 1].cumFreq + 1) >> 1;
    for (int i = 0; i < n - 1; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (e[j].cumFreq > e[i].cumFreq) {
                QuantumModelEntry t = e[i];
                e[i] = e[j];
                e[j] = t;
            }
        }
    }
    for (int i = n - 1; i >= 0; --i) e[i].cumFreq += e[i + 1].cumFreq;
}

// After coding the symbol at entry i: every cumulative frequency up to it grows by the step.
inline void adaptModel(QuantumModel& m, int i) {
    for (int k = 0; k <= i; ++k) m.entries[k].cumFreq += kFrequencyStep;
    if (m.entries[0].cumFreq > kRescaleThreshold) rescaleModel(m);
}

}  // namespace tamrix::quantum
