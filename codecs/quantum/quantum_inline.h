// The Linux tool forces the decoder's small steps into the frame loop for speed; the stub, built
// for size, leaves the choice to the compiler (about 2 KiB of repeated decoding code saved).
#pragma once

#ifdef _WIN32
#define TAMRIX_QUANTUM_INLINE inline
#else
#define TAMRIX_QUANTUM_INLINE inline __attribute__((always_inline))
#endif
