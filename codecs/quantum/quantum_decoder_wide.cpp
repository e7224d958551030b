// The frame decoder built for processors with AVX-512 (the model search compares 32 entries at
// once into mask registers); the Linux tool on x86-64 chooses it at run time (not in builds
// without that choice, see TAMRIX_NO_CPU_DISPATCH).
#include "codecs/quantum/quantum_frame_loop.h"

namespace tamrix::quantum {

#ifdef TAMRIX_QUANTUM_WIDE

bool decodeFrameWide(QuantumDecoder& d, const uint8_t* input, uint32_t inputCount, uint8_t* output,
                     uint32_t wanted) {
    return decodeFrameWith(d, input, inputCount, output, wanted);
}
#endif

}  // namespace tamrix::quantum
