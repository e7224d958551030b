// The main loop: literal/length and distance codes of a fixed or dynamic deflate block.
#pragma once

#include "codecs/mszip/inflate_state.h"

namespace tamrix::mszip {

// Decodes codes until the end-of-block code or until the output limit is used up. Returns false
// on an invalid code.
bool decodeCodes(InflateState& state, DecodeTable litLen, DecodeTable distance);

}  // namespace tamrix::mszip
