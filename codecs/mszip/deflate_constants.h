// The fixed numbers of the deflate format: length and distance bases with their extra bits, the
// order in which a dynamic block sends its code-length code lengths, and the window size.
#pragma once

#include <cstdint>

namespace tamrix::mszip {

constexpr uint32_t kWindowSize = 32768;
// A block may exceed its output by this much: the signature, and deflate data that does not
// compress (stored blocks' headers).
constexpr uint32_t kInputAllowance = 12;
constexpr uint32_t kMaxCodeLength = 15;
constexpr uint32_t kLiteralCount = 256;  // symbols 0..255 are literal bytes
constexpr uint32_t kEndOfBlockSymbol = 256;
constexpr uint32_t kLengthSymbolBase = 257;  // first symbol that codes a match length
constexpr uint32_t kMaxLitLenCodes = 286;    // a dynamic block may declare no more
constexpr uint32_t kMaxDistanceCodes = 30;
constexpr uint32_t kFixedLitLenCodes = 288;  // the fixed code also assigns 286 and 287
constexpr uint32_t kFixedDistanceCodes = 30;
constexpr uint32_t kCodeLengthCodes = 19;

// Extra-bit count that marks a symbol no valid stream may use.
constexpr uint8_t kInvalidExtraBits = 99;

// Indexed by length symbol - 257. Symbols 286 and 287 exist only as codes of the fixed table.
constexpr uint16_t kLengthBase[31] = {3,  4,   5,   6,   7,   8,   9,   10, 11, 13, 15,
                                      17, 19,  23,  27,  31,  35,  43,  51, 59, 67, 83,
                                      99, 115, 131, 163, 195, 227, 258, 0,  0};
constexpr uint8_t kLengthExtraBits[31] = {0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          1,
                                          1,
                                          1,
                                          1,
                                          2,
                                          2,
                                          2,
                                          2,
                                          3,
                                          3,
                                          3,
                                          3,
                                          4,
                                          4,
                                          4,
                                          4,
                                          5,
                                          5,
                                          5,
                                          5,
                                          0,
                                          kInvalidExtraBits,
                                          kInvalidExtraBits};

constexpr uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtraBits[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr uint8_t kCodeLengthOrder[kCodeLengthCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                        11, 4,  12, 3, 13, 2, 14, 1, 15};

}  // namespace tamrix::mszip
