// The tables of the fixed Huffman code, shared by every handle and built once per process.
#pragma once

#include "codecs/mszip/inflate_state.h"

namespace tamrix::mszip {

// Builds the tables on the first call; later calls do nothing. Not safe against two threads
// making the first call at once.
void ensureFixedTables();

DecodeTable fixedLitLenTable();
DecodeTable fixedDistanceTable();

}  // namespace tamrix::mszip
