// The frame loop, included by each build of the frame decoder: the baseline one and, in the
// Linux tool on x86-64, the one for processors with AVX-512. Its functions have internal linkage
// (and the helpers they call are forced inline), so the linker never takes one build's copy for
// the other's.
#pragma once

#include <cstdint>

#include "codecs/quantum/quantum_arithmetic_decoder.h"
#include "codecs/quantum/quantum_decoder.h"
#include "codecs/quantum/quantum_memory_window.h"
#include "codecs/quantum/quantum_paged_window.h"

namespace tamrix::quantum {
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

TAMRIX_QUANTUM_INLINE bool decodeFrameWith(QuantumDecoder& d, const uint8_t* input,
                                           uint32_t inputCount, uint8_t* output, uint32_t wanted) {
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

}  // namespace
}  // namespace tamrix::quantum
