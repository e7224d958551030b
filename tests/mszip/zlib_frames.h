// MSZIP blocks made with zlib: the data cut into 32768-byte frames, each block "CK" plus the
// deflate data of one frame, whose matches may reach into the previous frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamrix::mszip::test {

enum class Framing {
    SyncFlushedStream,  // one deflate stream flushed at every frame end, finished in the last
    PrimedPerFrame,     // a fresh final-ended stream per frame, primed with the previous frame;
                        // a frame that does not compress becomes one stored block
};

struct ZlibSettings {
    int level = 6;
    int strategy = 0;  // Z_DEFAULT_STRATEGY
    Framing framing = Framing::PrimedPerFrame;
};

// Aborts when a sync-flushed frame outgrows the MSZIP block limit (data too random).
std::vector<std::vector<uint8_t>> makeMszipBlocks(const std::vector<uint8_t>& data,
                                                  const ZlibSettings& settings);

// Deterministic test data of several kinds, mixed in pieces.
std::vector<uint8_t> makeMixedData(size_t size, uint32_t seed);

}  // namespace tamrix::mszip::test
