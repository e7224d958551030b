// The compressor: a hash-bucket parse with one step of lazy matching, coded through the same
// models as the decoder.
#include "codecs/quantum/quantum_encoder.h"

#include <algorithm>

#include "codecs/quantum/quantum_arithmetic_encoder.h"
#include "codecs/quantum/quantum_match_finder.h"
#include "codecs/quantum/quantum_model.h"
#include "codecs/quantum/quantum_tables.h"

namespace tamrix {

using namespace quantum;

namespace {

// Position slot of a distance - 1: two slots per power of two above 4.
uint32_t positionSlot(uint32_t value) {
    if (value < 4) return value;
    const uint32_t top = 31 - uint32_t(__builtin_clz(value));
    return 2 * top + ((value >> (top - 1)) & 1);
}

struct LengthSlots {
    uint8_t slot[kMaxMatch - kMinLongMatch + 1];
};
constexpr LengthSlots makeLengthSlots() {
    LengthSlots t{};
    int s = 0;
    for (int v = 0; v <= int(kMaxMatch - kMinLongMatch); ++v) {
        while (s + 1 < kLengthSlots && kSlotBases.length[s + 1] <= v) ++s;
        t.slot[v] = uint8_t(s);
    }
    return t;
}
constexpr LengthSlots kLengthSlotOf = makeLengthSlots();

struct LevelSettings {
    uint32_t searchDepth;  // positions kept per hash, the candidates of a search
    uint32_t niceLength;   // a match this long ends the search
    uint32_t lazyLength;   // a match this long is taken without looking one byte further
};

LevelSettings levelSettings(int level) {
    static const LevelSettings kLevels[9] = {
        {2, 16, 0},    {3, 24, 8},    {4, 32, 16},    {6, 32, 16},    {8, 48, 32},
        {24, 128, 64}, {32, 160, 96}, {48, 200, 128}, {64, 259, 259},
    };
    return kLevels[std::clamp(level, 1, 9) - 1];
}

}  // namespace

struct QuantumEncoder::State {
    State(unsigned bits, const LevelSettings& level)
        : windowBits(bits),
          lazyLength(level.lazyLength),
          finder(bits, level.searchDepth, level.niceLength) {
        for (int m = 0; m < kModelCount; ++m) initModel(models[m], modelSymbolCount(m, bits));
    }

    void encodeSymbol(ArithmeticEncoder& ac, int model, uint32_t symbol) {
        QuantumModel& m = models[model];
        int i = 0;
        while (m.symbol[i] != symbol) ++i;
        ac.encode(m.cumFreq[i], m.cumFreq[i + 1], m.cumFreq[0]);
        adaptModel(m, i);
    }

    void encodeLiteral(ArithmeticEncoder& ac, uint8_t b) {
        encodeSymbol(ac, kSelectorModel, b >> 6);
        encodeSymbol(ac, kLiteralModel0 + (b >> 6), b & 63);
    }

    void encodeMatch(ArithmeticEncoder& ac, const Match& match) {
        int positionModel;
        if (match.length == 3) {
            encodeSymbol(ac, kSelectorModel, 4);
            positionModel = kPosition4Model;
        } else if (match.length == 4) {
            encodeSymbol(ac, kSelectorModel, 5);
            positionModel = kPosition5Model;
        } else {
            encodeSymbol(ac, kSelectorModel, 6);
            const uint32_t value = match.length - kMinLongMatch;
            const uint32_t slot = kLengthSlotOf.slot[value];
            encodeSymbol(ac, kLengthModel, slot);
            ac.raw(value - uint32_t(kSlotBases.length[slot]), kLengthExtraBits[slot]);
            positionModel = kPosition6Model;
        }
        const uint32_t value = match.distance - 1;
        const uint32_t slot = positionSlot(value);
        encodeSymbol(ac, positionModel, slot);
        ac.raw(value - uint32_t(kSlotBases.position[slot]), kPositionExtraBits[slot]);
    }

    unsigned windowBits;
    uint32_t lazyLength;
    uint32_t blockLimit = kDefaultBlockLimit;
    QuantumModel models[kModelCount];
    MatchFinder finder;
};

QuantumEncoder::QuantumEncoder(unsigned windowBits, int level)
    : state_(std::make_unique<State>(std::clamp(windowBits, kMinWindowBits, kMaxWindowBits),
                                     levelSettings(level))) {}
QuantumEncoder::~QuantumEncoder() = default;
QuantumEncoder::QuantumEncoder(QuantumEncoder&&) noexcept = default;
QuantumEncoder& QuantumEncoder::operator=(QuantumEncoder&&) noexcept = default;

unsigned QuantumEncoder::windowBits() const {
    return state_->windowBits;
}
void QuantumEncoder::setBlockLimit(uint32_t bytes) {
    state_->blockLimit = bytes;
}

std::vector<uint8_t> QuantumEncoder::encodeFrame(const uint8_t* data, uint32_t size) {
    State& s = *state_;
    MatchFinder& finder = s.finder;
    const uint64_t frameEnd = finder.end() + size;
    uint64_t position = finder.end();
    finder.append(data, size);
    QuantumModel startModels[kModelCount];
    std::copy(std::begin(s.models), std::end(s.models), startModels);
    const uint64_t frameStart = position;
    ArithmeticEncoder ac;
    auto longest = [&](uint64_t at) {
        return finder.find(at, uint32_t(std::min<uint64_t>(kMaxMatch, frameEnd - at)));
    };
    Match match = longest(position);
    while (position < frameEnd) {
        if (match.length == 0) {
            s.encodeLiteral(ac, finder.byteAt(position));
            ++position;
            if (position < frameEnd) match = longest(position);
            continue;
        }
        // One step of lazy matching: a longer match one byte on is worth a literal.
        if (match.length < s.lazyLength && position + 1 < frameEnd) {
            Match next = longest(position + 1);
            if (next.length > match.length) {
                s.encodeLiteral(ac, finder.byteAt(position));
                ++position;
                match = next;
                continue;
            }
        }
        s.encodeMatch(ac, match);
        position += match.length;
        if (position < frameEnd) match = longest(position);
    }
    std::vector<uint8_t> block = ac.finish();
    if (block.size() <= s.blockLimit) return block;
    // Matches and literals mixed so badly against the models that the block outgrew the input
    // buffer: literals alone cost about a byte each once their models adapt.
    std::copy(std::begin(startModels), std::end(startModels), s.models);
    ArithmeticEncoder literalsOnly;
    for (uint64_t at = frameStart; at < frameEnd; ++at)
        s.encodeLiteral(literalsOnly, finder.byteAt(at));
    return literalsOnly.finish();
}

}  // namespace tamrix
