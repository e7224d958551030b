// Decoding the deflate data of one MSZIP block into the output buffer.
#pragma once

#include "codecs/mszip/inflate_state.h"

namespace tamrix::mszip {

// Decodes deflate blocks from state.input into state.out until a final deflate block ends or
// the output limit is reached (possibly inside a deflate block; the rest is ignored). Returns
// false when the data cannot be decoded.
bool inflateBlockData(InflateState& state);

}  // namespace tamrix::mszip
