// Huffman code lengths and canonical codes for the compressor.
#pragma once

#include <cstdint>

namespace tamrix::lzx {

// Lengths of a complete prefix code for the used symbols (frequency above 0), none longer than
// maxLength; unused symbols get 0. No symbol used gives all zeros; a single used symbol is paired
// with a neighbour so that the code stays complete.
void buildCodeLengths(const uint32_t* frequencies, uint32_t count, uint32_t maxLength,
                      uint8_t* lengths);

// Canonical codes: shorter codes first, equal lengths in increasing symbol order.
void assignCanonicalCodes(const uint8_t* lengths, uint32_t count, uint16_t* codes);

}  // namespace tamrix::lzx
