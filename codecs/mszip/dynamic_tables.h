// Reading the code description at the start of a dynamic deflate block.
#pragma once

#include "codecs/mszip/inflate_state.h"

namespace tamrix::mszip {

// Reads the code lengths and builds the literal/length and distance tables into the state's
// areas. Returns false on any invalid description (counts out of range, a repeat past the end,
// a filler or empty code-length code, or a table the builder does not accept outright).
bool readDynamicTables(InflateState& state, DecodeTable* litLen, DecodeTable* distance);

// The stand-in for a code with no lengths at all: any lookup finds an invalid entry.
DecodeTable emptyTable();

}  // namespace tamrix::mszip
