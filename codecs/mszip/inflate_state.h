// The per-handle decoding state: where one block's input and output stand, and the table area
// for the codes of a dynamic deflate block.
#pragma once

#include <cstdint>

#include "codecs/mszip/bit_reader.h"
#include "codecs/mszip/huffman_table.h"

namespace tamrix::mszip {

constexpr uint32_t kLengthAreaSize = 800;    // code-length table, then literal/length tables
constexpr uint32_t kDistanceAreaSize = 150;  // distance tables

struct InflateState {
    bool finalBlock;
    BitReader input;
    uint8_t* window;    // start of the output buffer, which also holds the previous block
    uint8_t* out;       // output cursor
    uint8_t* outLimit;  // no byte is written at or beyond this
    uint32_t maximumOutput;
    HuffmanEntry lengthArea[kLengthAreaSize];
    HuffmanEntry distanceArea[kDistanceAreaSize];
};

// A decoding table as the code decoder uses it: first-level table and its width.
struct DecodeTable {
    const HuffmanEntry* entries;
    uint32_t width;
};

}  // namespace tamrix::mszip
