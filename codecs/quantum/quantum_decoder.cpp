// The frame decoder: a 16-bit arithmetic decoder restarted for every data block, over the nine
// adaptive models, feeding literals and matches into the window.
#include "codecs/quantum/quantum_decoder.h"

#include "codecs/quantum/quantum_bit_reader.h"
#include "codecs/quantum/quantum_division.h"
#include "codecs/quantum/quantum_memory_window.h"
#include "codecs/quantum/quantum_paged_window.h"

namespace tamrix::quantum {

QuantumDecoder gQuantumDecoder;

void initModels(QuantumDecoder& d) {
    for (int m = 0; m < kModelCount; ++m) initModel(d.models[m], modelSymbolCount(m, d.windowBits));
}

namespace {

// The Linux tool forces the arithmetic decoder into the frame loop for speed; the stub, built for
// size, leaves the choice to the compiler (about 2 KiB of repeated decoding code saved).
#ifdef _WIN32
#define TAMRIX_INLINE inline
#else
#define TAMRIX_INLINE inline __attribute__((always_inline))
#endif

// Lives in the frame decoder's locals: fully inlined, its registers stay in machine registers.
// Instead of the code register it keeps the code's offset above low, which every shift moves
// exactly as it moves the code.
class ArithmeticDecoder {
  public:
    ArithmeticDecoder(const uint8_t* input, uint32_t size) : bits_(input, size) {
        bits_.refill();
        offset_ = bits_.take(16);
    }

    TAMRIX_INLINE uint32_t decode(QuantumModel& m) {
        const uint32_t total = m.cumFreq[0];
        // 65,536 right after the restart: the range needs 17 bits.
        const uint32_t range = high_ - low_ + 1;
        const uint32_t target = ((offset_ + 1) * total - 1) / range;
        const int i = findEntry(m, target);
        const uint32_t symbol = m.symbol[i];
        const uint64_t reciprocal = totalReciprocals.of[total];
        const uint32_t top = divideByTotal(m.cumFreq[i] * range, reciprocal);
        const uint32_t bottom = divideByTotal(m.cumFreq[i + 1] * range, reciprocal);
        high_ = (low_ + top - 1) & 0xFFFF;
        low_ = (low_ + bottom) & 0xFFFF;
        offset_ = (offset_ - bottom) & 0xFFFF;
        renormalise();
        adaptModel(m, i);
        return symbol;
    }

    TAMRIX_INLINE uint32_t raw(int n) {
        bits_.refill();
        return bits_.take(n);
    }

    bool exhausted() const { return bits_.exhausted(); }

  private:
    // Shifts out every leading bit low and high agree on, then every step where they straddle
    // the middle (low 01..., high 10...), where the second bit is dropped instead: low keeps a
    // clear top bit and high a set one. One shift of the offset takes the bits of both.
    TAMRIX_INLINE void renormalise() {
        const int agreed = __builtin_clz((low_ ^ high_) << 16 | 0x8000);
        low_ = (low_ << agreed) & 0xFFFF;
        high_ = ((high_ << agreed) | ((1u << agreed) - 1)) & 0xFFFF;
        const int straddled = __builtin_clz(~((low_ & ~high_) << 17));
        low_ = (low_ << straddled) & 0x7FFF;
        high_ = ((high_ << straddled) | ((1u << straddled) - 1) | 0x8000) & 0xFFFF;
        const int n = agreed + straddled;
        bits_.refill();
        offset_ = ((offset_ << n) | bits_.take(n)) & 0xFFFF;
    }

    BitReader bits_;
    uint32_t low_ = 0;
    uint32_t high_ = 0xFFFF;
    uint32_t offset_;
};

template <class Window>
bool decodeSteps(QuantumDecoder& d, const Window& window, const uint8_t* input, uint32_t inputCount,
                 FrameCursor& c) {
    ArithmeticDecoder ac(input, inputCount);
    QuantumModel* models = d.models;
    while (c.remaining > 0 && !ac.exhausted()) {
        const uint32_t selector = ac.decode(models[kSelectorModel]);
        if (selector < kLiteralSelectors) {
            const uint32_t symbol = ac.decode(models[kLiteralModel0 + int(selector)]);
            window.literal(c, uint8_t(selector * kLiteralModelSymbols + symbol));
            continue;
        }
        uint32_t length;
        int positionModel;
        if (selector == kSelectorMatch3) {
            length = 3;
            positionModel = kPosition4Model;
        } else if (selector == kSelectorMatch4) {
            length = 4;
            positionModel = kPosition5Model;
        } else {
            const uint32_t slot = ac.decode(models[kLengthModel]);
            length = kSlotBases.length[slot] + ac.raw(kLengthExtraBits[slot]) + kMinLongMatch;
            positionModel = kPosition6Model;
        }
        const uint32_t slot = ac.decode(models[positionModel]);
        const uint32_t distance = kSlotBases.position[slot] + ac.raw(kPositionExtraBits[slot]) + 1;
        window.match(c, length, distance);
    }
    return !ac.exhausted() && !c.outputOverrun;
}

}  // namespace

#undef TAMRIX_INLINE

bool decodeFrame(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                 uint32_t wanted) {
    prepareTotalReciprocals();
    FrameCursor c{output, wanted, d.streamPosition, false};
    bool ok;
    if (d.window) {
        ok = decodeSteps(d, MemoryWindow{d.window, d.windowMask}, input, inputCount, c);
    } else {
        ok = decodeSteps(d, PagedWindow{&d}, input, inputCount, c);
    }
    d.streamPosition = c.position;
    return ok && !d.windowFailure;
}

}  // namespace tamrix::quantum
