// The LZX compressor used by the package builder (host only).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tamrix {

namespace lzx {
class MatchFinder;
}

class LzxEncoder {
  public:
    // Which block type a frame is written as. Best picks the smallest of the three.
    enum class BlockChoice { Best, Verbatim, Aligned, Uncompressed };

    explicit LzxEncoder(unsigned windowBits /*15..21*/, bool e8 = true);
    ~LzxEncoder();
    LzxEncoder(const LzxEncoder&) = delete;
    LzxEncoder& operator=(const LzxEncoder&) = delete;

    // Compresses the next frame of one folder (<= 32768 bytes; only the folder's last frame may
    // be shorter) into the bytes of one cabinet data block; state (window history, repeated
    // distances) carries to the next frame.
    std::vector<uint8_t> encodeFrame(const uint8_t* data, uint32_t size);

    // For tests: force every following frame into one block type.
    void setBlockChoice(BlockChoice choice) { choice_ = choice; }

  private:
    struct Item {
        uint16_t mainSymbol;
        int16_t lengthSymbol;  // -1: none
        uint8_t extraBits;
        uint32_t extra;
    };
    struct Choice {
        uint32_t length = 0;
        uint32_t distance = 0;
        int32_t repeat = -1;  // index of the repeated distance used, or -1
        int32_t score = 0;    // bits saved against literals, roughly
    };

    void slideIfNeeded(uint32_t incoming);
    Choice evaluate(uint32_t p, uint32_t end);
    void emitMatch(const Choice& choice);
    void parse(uint32_t start, uint32_t end);
    std::vector<uint8_t> writeBlock(uint32_t start, uint32_t size, uint32_t type,
                                    std::vector<uint8_t>* newMainLengths,
                                    std::vector<uint8_t>* newLengthLengths);

    uint32_t windowSize_;
    uint32_t positionSlots_;
    bool e8_;
    BlockChoice choice_ = BlockChoice::Best;

    std::vector<uint8_t> buffer_;  // history and the current frame
    uint32_t bufferStart_ = 0;     // stream offset of buffer_[0]
    uint32_t streamEnd_ = 0;       // stream offset after the last byte given
    uint32_t framesEncoded_ = 0;
    bool streamHeaderWritten_ = false;
    bool pendingPadByte_ = false;  // odd uncompressed block at a frame's end
    uint32_t r_[3] = {1, 1, 1};

    std::unique_ptr<lzx::MatchFinder> finder_;
    std::vector<Item> items_;
    std::vector<uint8_t> mainLengths_, lengthLengths_;  // the last trees sent
};

}  // namespace tamrix
