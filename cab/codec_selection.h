// Selecting, resetting, releasing and driving the codec of the folder being decoded.
#pragma once

#include <cstdint>

#include "cab/decoder_context.h"

namespace tamrix {

// The operations used for a compressed kind (1 to 3), or null for any other kind.
const CodecOps* codecOpsFor(uint32_t kind);

// Puts other operations in place of a kind's codec and returns the previous ones. Tests use it to
// watch how the engine drives a codec; nothing else calls it.
const CodecOps* replaceCodecOps(uint32_t kind, const CodecOps* ops);

// Keeps the codec when typeWord equals the current word in all 16 bits; otherwise releases the
// current codec and sets up the new one with its input and output buffers.
bool selectCodec(CabinetDecoder* decoder, uint16_t typeWord);

// Destroys the current codec and frees its buffers; the type word becomes CodecUnselected.
bool releaseCodec(CabinetDecoder* decoder);

// Prepares the current codec for a new folder.
bool resetCodec(CabinetDecoder* decoder);

// Decodes the block in the input buffer (blockCompressedSize bytes) into the output buffer and
// sets *produced to the number of bytes it yielded.
bool decompressBlock(CabinetDecoder* decoder, uint32_t* produced);

}  // namespace tamrix
