// The LZX compressor used by the package builder (host only).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tamrix {

namespace lzx {
class LazyParser;
class OptimalParser;
struct Item;
struct BlockCodes;
}  // namespace lzx

class LzxEncoder {
  public:
    // Which block type a block is written as. Best picks the smallest of the three.
    enum class BlockChoice { Best, Verbatim, Aligned, Uncompressed };

    // level: 1 (fastest) to 9 (smallest output); 6 is the default.
    explicit LzxEncoder(unsigned windowBits /*15..21*/, bool e8 = true, int level = 6);
    ~LzxEncoder();
    LzxEncoder(const LzxEncoder&) = delete;
    LzxEncoder& operator=(const LzxEncoder&) = delete;

    // Takes the next frame of one folder (<= 32768 bytes; only the folder's last frame may be
    // shorter) and appends to `blocks` the cabinet data blocks that are complete: several
    // frames may share one block of the format (and its trees), so a frame's data block can
    // come out only with a later frame or at finish. State (window history, repeated
    // distances) carries to the next frame.
    void addFrame(const uint8_t* data, uint32_t size, std::vector<std::vector<uint8_t>>* blocks);
    // Completes the frames taken so far; call at the folder's end.
    void finish(std::vector<std::vector<uint8_t>>* blocks);

    // One frame in, its data block out (the frame gets a block of the format of its own).
    std::vector<uint8_t> encodeFrame(const uint8_t* data, uint32_t size);

    // For tests: force every following block into one block type.
    void setBlockChoice(BlockChoice choice) { choice_ = choice; }

  private:
    void slideIfNeeded(uint32_t incoming);
    void encodeGroup(std::vector<std::vector<uint8_t>>* blocks);
    void parseGroup(uint32_t mainCount);
    void beginBlock(std::vector<uint8_t>* out, uint32_t type, uint32_t size);
    void writeCompressed(uint32_t type, const lzx::BlockCodes& codes, uint32_t mainCount,
                         std::vector<std::vector<uint8_t>>* frames);
    void writeUncompressed(uint32_t start, uint32_t size, std::vector<uint8_t>* out);

    uint32_t windowSize_;
    uint32_t positionSlots_;
    bool e8_;
    uint32_t framesPerBlock_;
    uint32_t optimalPasses_;
    BlockChoice choice_ = BlockChoice::Best;

    std::vector<uint8_t> buffer_;        // history and the frames waiting for their block
    uint32_t bufferStart_ = 0;           // stream offset of buffer_[0]
    uint32_t streamEnd_ = 0;             // stream offset after the last byte given
    uint32_t groupStart_ = 0;            // stream offset of the first frame waiting
    std::vector<uint32_t> groupFrames_;  // sizes of the frames waiting
    uint32_t framesTaken_ = 0;
    bool streamHeaderWritten_ = false;
    bool pendingPadByte_ = false;  // odd uncompressed block at a frame's end
    uint32_t r_[3] = {1, 1, 1};

    std::unique_ptr<lzx::LazyParser> lazy_;
    std::unique_ptr<lzx::OptimalParser> optimal_;
    std::vector<lzx::Item> items_;
    std::vector<size_t> frameItemEnds_;                 // items_ index where each frame ends
    std::vector<uint8_t> mainLengths_, lengthLengths_;  // the last trees sent
    std::vector<uint8_t> alignedLengths_;
    bool lastAligned_ = false;
};

}  // namespace tamrix
