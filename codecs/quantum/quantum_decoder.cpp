// The frame decoder: a 16-bit arithmetic decoder restarted for every data block, over the nine
// adaptive models, feeding literals and matches into the window.
#include "codecs/quantum/quantum_decoder.h"

#include "codecs/quantum/quantum_bit_input.h"
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
class ArithmeticDecoder {
  public:
    explicit ArithmeticDecoder(BitInput& bits) : bits_(bits), code_(bits.take(16)) {}

    TAMRIX_INLINE uint32_t decode(QuantumModel& m) {
        const uint32_t total = m.entries[0].cumFreq;
        // 65,536 right after the restart: the range needs 17 bits.
        const uint32_t range = high_ - low_ + 1;
        const uint32_t target = ((((code_ - low_) & 0xFFFF) + 1) * total - 1) / range;
        const int i = findEntry(m, target);
        const uint32_t symbol = m.entries[i].symbol;
        const uint64_t reciprocal = totalReciprocals.of[total];
        high_ = (low_ + divideByTotal(m.entries[i].cumFreq * range, reciprocal) - 1) & 0xFFFF;
        low_ = (low_ + divideByTotal(m.entries[i + 1].cumFreq * range, reciprocal)) & 0xFFFF;
        renormalise();
        adaptModel(m, i);
        return symbol;
    }

    TAMRIX_INLINE uint32_t raw(int n) { return n ? bits_.take(n) : 0; }

  private:
    TAMRIX_INLINE void renormalise() {
        for (;;) {
            uint32_t differ = low_ ^ high_;
            int n;
            if (!(differ & 0x8000)) {
                // Shift out every leading bit low and high agree on at once.
                n = differ ? __builtin_clz(differ) - 16 : 16;
            } else if (low_ & ~high_ & 0x4000) {  // low has bit 14, high has not
                // Straddling the middle: drop the second bit and remember it in the code.
                code_ ^= 0x4000;
                low_ &= 0x3FFF;
                high_ |= 0x4000;
                n = 1;
            } else {
                return;
            }
            low_ = (low_ << n) & 0xFFFF;
            high_ = ((high_ << n) | ((1u << n) - 1)) & 0xFFFF;
            code_ = ((code_ << n) | bits_.take(n)) & 0xFFFF;
        }
    }

    BitInput& bits_;
    uint32_t low_ = 0;
    uint32_t high_ = 0xFFFF;
    uint32_t code_;
};

template <class Window>
bool decodeSteps(QuantumDecoder& d, const Window& window, BitInput& bits, FrameCursor& c) {
    ArithmeticDecoder ac(bits);
    QuantumModel* models = d.models;
    while (c.remaining > 0 && !bits.exhausted()) {
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
    return !bits.exhausted() && !c.outputOverrun;
}

}  // namespace

#undef TAMRIX_INLINE

bool decodeFrame(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                 uint32_t wanted) {
    prepareTotalReciprocals();
    BitInput bits(input, inputCount);
    FrameCursor c{output, wanted, d.streamPosition, false};
    bool ok;
    if (d.window) {
        ok = decodeSteps(d, MemoryWindow{d.window, d.windowMask}, bits, c);
    } else {
        ok = decodeSteps(d, PagedWindow{&d}, bits, c);
    }
    d.streamPosition = c.position;
    return ok && !d.windowFailure;
}

}  // namespace tamrix::quantum
