// Constants of the LZX stream shared by the decoder and the compressor.
#pragma once

#include <cstdint>

namespace tamrix::lzx {

constexpr uint32_t kMinWindowBits = 15;
constexpr uint32_t kMaxWindowBits = 21;
constexpr uint32_t kFrameSize = 32768;
// A compressed block may exceed its frame by this much (the input buffer the codec asks for).
constexpr uint32_t kInputAllowance = 6144;

constexpr uint32_t kLiteralCount = 256;
constexpr uint32_t kMaxPositionSlots =
    52;  // room in the length arrays; 50 is the most a window uses
constexpr uint32_t kMaxMainSymbols = kLiteralCount + 8 * kMaxPositionSlots;  // 672
constexpr uint32_t kLengthSymbols = 249;
constexpr uint32_t kAlignedSymbols = 8;
constexpr uint32_t kPreTreeSymbols = 20;
// Pre-tree symbols: 0..16 give a length as a change of the previous tree's length (mod 17);
// the rest are runs.
constexpr uint32_t kPreTreeLastDelta = 16;
constexpr uint32_t kPreTreeZerosShort = 17;  // 4 + (4 bits) zeros
constexpr uint32_t kPreTreeZerosLong = 18;   // 20 + (5 bits) zeros
constexpr uint32_t kPreTreeSameRun = 19;     // 4 + (1 bit) copies of the next symbol's length

constexpr uint32_t kMinMatch = 2;
constexpr uint32_t kMaxMatch = 257;
constexpr uint32_t kNumPrimaryLengths =
    7;  // length headers 0-6; header 7 continues in the length tree

constexpr uint32_t kBlockVerbatim = 1;
constexpr uint32_t kBlockAligned = 2;
constexpr uint32_t kBlockUncompressed = 3;

// The window keeps a copy of its first 257 positions right after its end, plus 4 spare bytes.
constexpr uint32_t kMirrorSize = 257;
constexpr uint32_t kWindowSlack = 261;

// Call-instruction translation applies to the first 32,768 frames of a folder only.
constexpr uint32_t kE8FrameLimit = 32768;

// Extra bits of each position slot (slots 0-50).
extern const uint8_t kExtraBits[51];
// Match distance for each slot with all extra bits zero (the format's position base minus 2).
extern const uint32_t kDistanceBase[51];

// Position slots needed to cover a window of 2^windowBits bytes.
uint32_t positionSlotCount(uint32_t windowSize);

}  // namespace tamrix::lzx
