// The frame decoder: a 16-bit arithmetic decoder restarted for every data block, over the nine
// adaptive models, feeding literals and matches into the window.
#include "codecs/quantum/quantum_decoder.h"

#include "codecs/cpu_features.h"
#include "codecs/quantum/quantum_frame_loop.h"

namespace tamrix::quantum {

QuantumDecoder gQuantumDecoder;

void initModels(QuantumDecoder& d) {
    for (int m = 0; m < kModelCount; ++m) initModel(d.models[m], modelSymbolCount(m, d.windowBits));
}

#ifdef TAMRIX_QUANTUM_WIDE
// Also built for processors with the bit-manipulation and AVX2 instructions (since 2013), chosen
// at load time: the renormalisation's shifts and counts take fewer steps there.
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
bool decodeFrameBaseline(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount,
                         uint8_t* output, uint32_t wanted) {
    return decodeFrameWith(d, input, inputCount, output, wanted);
}

bool decodeFrame(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                 uint32_t wanted) {
#ifdef TAMRIX_QUANTUM_WIDE
    if (cpuHasAvx512BwVl()) return decodeFrameWide(d, input, inputCount, output, wanted);
#endif
    return decodeFrameBaseline(d, input, inputCount, output, wanted);
}

}  // namespace tamrix::quantum
