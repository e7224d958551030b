// The frame decoder: a 16-bit arithmetic decoder restarted for every data block, over the nine
// adaptive models, feeding literals and matches into the window.
#include "codecs/quantum/quantum_decoder.h"

#include "codecs/quantum/quantum_arithmetic_decoder.h"
#include "codecs/quantum/quantum_memory_window.h"
#include "codecs/quantum/quantum_paged_window.h"

namespace tamrix::quantum {

QuantumDecoder gQuantumDecoder;

void initModels(QuantumDecoder& d) {
    for (int m = 0; m < kModelCount; ++m) initModel(d.models[m], modelSymbolCount(m, d.windowBits));
}

namespace {

// Steps of the frame loop until the frame is done or stopped, and with `Ample` only while
// ample() holds: those steps need no check of the input's end.
template <bool Ample, class Window>
TAMRIX_QUANTUM_INLINE void decodeSteps(QuantumModel* models, const Window& window,
                                       ArithmeticDecoder& ac, FrameCursor& c) {
    while (c.done != c.wanted && (Ample ? ac.ample() : !ac.exhausted())) {
        const uint32_t selector =
            ac.decode<groupsFor(kSelectorSymbols), Ample>(models[kSelectorModel]);
        if (selector < kLiteralSelectors) {
            const uint32_t symbol = ac.decode<groupsFor(kLiteralModelSymbols), Ample>(
                models[kLiteralModel0 + int(selector)]);
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
            const uint32_t slot = ac.decode<groupsFor(kLengthSlots), Ample>(models[kLengthModel]);
            length = uint32_t(kSlotBases.length[slot]) + ac.raw<Ample>(kLengthExtraBits[slot]) +
                     kMinLongMatch;
            positionModel = kPosition6Model;
        }
        const uint32_t slot = ac.decode<groupsFor(kPositionSlots), Ample>(models[positionModel]);
        const uint32_t distance =
            uint32_t(kSlotBases.position[slot]) + ac.raw<Ample>(kPositionExtraBits[slot]) + 1;
        window.match(c, length, distance);
    }
}

template <class Window>
TAMRIX_QUANTUM_INLINE bool decodeBlock(QuantumDecoder& d, const Window& window,
                                       const uint8_t* input, uint32_t inputCount, FrameCursor& c) {
    ArithmeticDecoder ac(input, inputCount);
#ifndef _WIN32
    // The Linux tool runs most of the block without the end checks; the stub keeps one loop.
    decodeSteps<true>(d.models, window, ac, c);
#endif
    decodeSteps<false>(d.models, window, ac, c);
    return !ac.exhausted() && !c.outputOverrun;
}

}  // namespace

#if defined(__x86_64__) && defined(__linux__) && !defined(TAMRIX_NO_CPU_DISPATCH)
// Also built for processors with the bit-manipulation and AVX2 instructions (since 2013), chosen
// at load time: the renormalisation's shifts and counts take fewer steps there.
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
bool decodeFrame(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                 uint32_t wanted) {
    prepareTotalReciprocals();
    FrameCursor c{output, d.streamPosition, 0, wanted, false};
    bool ok;
    if (d.window) {
        ok = decodeBlock(d, MemoryWindow{d.window, d.windowMask}, input, inputCount, c);
    } else {
        ok = decodeBlock(d, PagedWindow{&d}, input, inputCount, c);
    }
    d.streamPosition = c.position();
    return ok && !d.windowFailure;
}

}  // namespace tamrix::quantum
