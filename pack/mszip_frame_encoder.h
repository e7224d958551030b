// MSZIP data blocks through zlib: each block is "CK" and a complete raw deflate stream (its last
// deflate block final, ending on a byte boundary) that may refer back into the previous frame.
#pragma once

#include <zlib.h>

#include <vector>

#include "pack/compression.h"

namespace tamrix::pack {

class MszipFrameEncoder : public FrameEncoder {
  public:
    // level: zlib's 1 (fastest) to 9.
    explicit MszipFrameEncoder(int level = Z_DEFAULT_COMPRESSION);
    ~MszipFrameEncoder() override;
    MszipFrameEncoder(const MszipFrameEncoder&) = delete;
    MszipFrameEncoder& operator=(const MszipFrameEncoder&) = delete;

    // One frame in, its data block out.
    bool encodeFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block,
                     std::string* error);
    bool addFrame(const uint8_t* data, uint32_t size, std::vector<std::vector<uint8_t>>* blocks,
                  std::string* error) override;

    // The frame before the next one, which that frame may refer to: how a compressor started
    // in the middle of a folder makes the blocks it would have made from the start.
    void setHistory(const uint8_t* data, uint32_t size) { previous_.assign(data, data + size); }

  private:
    z_stream stream_{};
    bool ready_ = false;
    std::vector<uint8_t> previous_;  // the decoder's history: the previous frame's bytes
};

// One stored deflate block (final) holding data, after "CK": the fallback for frames that
// deflate would make larger.
void storeMszipFrame(const uint8_t* data, uint32_t size, std::vector<uint8_t>* block);

}  // namespace tamrix::pack
