// Slot tables and model sizes shared by the Quantum decoder and compressor.
#pragma once

#include <cstdint>

namespace tamrix::quantum {

constexpr unsigned kMinWindowBits = 10;
constexpr unsigned kMaxWindowBits = 21;
// A compressed block may exceed its frame by this much (the input buffer the codec asks for).
constexpr uint32_t kInputAllowance = 10240;

constexpr int kPositionSlots = 42;
constexpr int kLengthSlots = 27;

// Extra raw bits that follow each position slot and each length slot.
constexpr uint8_t kPositionExtraBits[kPositionSlots] = {
    0, 0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,
    9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19};
constexpr uint8_t kLengthExtraBits[kLengthSlots] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                                    3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

// Bases are running sums of 2^extra: base[0] = 0, base[i + 1] = base[i] + 2^extra[i].
struct SlotBases {
    int32_t position[kPositionSlots];
    int32_t length[kLengthSlots];
};
constexpr SlotBases makeSlotBases() {
    SlotBases b{};
    for (int i = 1; i < kPositionSlots; ++i)
        b.position[i] = b.position[i - 1] + (1 << kPositionExtraBits[i - 1]);
    for (int i = 1; i < kLengthSlots; ++i)
        b.length[i] = b.length[i - 1] + (1 << kLengthExtraBits[i - 1]);
    return b;
}
constexpr SlotBases kSlotBases = makeSlotBases();
static_assert(kSlotBases.position[41] == 1572864 && kSlotBases.length[26] == 254);

// Selector symbols: 0..3 pick a literal model (the byte is 64 * selector + its symbol), 4 and 5
// a match of length 3 or 4, 6 a longer match whose length slot follows.
constexpr unsigned kSelectorSymbols = 7;
constexpr unsigned kLiteralSelectors = 4;
constexpr unsigned kLiteralModelSymbols = 64;
constexpr unsigned kSelectorMatch3 = 4;
constexpr unsigned kSelectorMatch4 = 5;
constexpr unsigned kSelectorLongMatch = 6;

// Shortest match of each selector: 4 gives length 3, 5 gives length 4, 6 gives 5 to 259.
constexpr unsigned kMinLongMatch = 5;
constexpr unsigned kMaxMatch = 259;

// The nine models, in the order the codec keeps them.
enum ModelIndex : int {
    kSelectorModel = 0,
    kLiteralModel0 = 1,  // literal models 0..3 are 1..4
    kLengthModel = 5,
    kPosition6Model = 6,
    kPosition4Model = 7,
    kPosition5Model = 8,
    kModelCount = 9,
};

// Symbol count of each model for a window of 2^windowBits bytes. Position models hold the slots
// whose base is below the window size (2 * windowBits), selector 4 at most 24 and selector 5 at
// most 36 of them.
inline int modelSymbolCount(int model, unsigned windowBits) {
    int positions = int(2 * windowBits);
    switch (model) {
        case kSelectorModel:
            return int(kSelectorSymbols);
        case kLengthModel:
            return kLengthSlots;
        case kPosition6Model:
            return positions;
        case kPosition4Model:
            return positions < 24 ? positions : 24;
        case kPosition5Model:
            return positions < 36 ? positions : 36;
        default:
            return int(kLiteralModelSymbols);
    }
}

}  // namespace tamrix::quantum
