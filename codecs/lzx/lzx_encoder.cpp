#include "codecs/lzx/lzx_encoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "codecs/lzx/lzx_bit_writer.h"
#include "codecs/lzx/lzx_code_lengths.h"
#include "codecs/lzx/lzx_e8_preprocess.h"
#include "codecs/lzx/lzx_encoder_costs.h"
#include "codecs/lzx/lzx_encoder_lazy.h"
#include "codecs/lzx/lzx_encoder_levels.h"
#include "codecs/lzx/lzx_encoder_optimal.h"
#include "codecs/lzx/lzx_format.h"
#include "codecs/lzx/lzx_tree_writer.h"

namespace tamrix {

using namespace lzx;

namespace {

// The translation size written in the stream header when E8 preprocessing is on.
constexpr uint32_t kE8FileSize = 12000000;
// A compressed frame may outgrow its input by this much before the frames go out as they are.
constexpr uint32_t kWorthCompressing = 24;
// No frame's data block may pass the decoder's input buffer (a frame plus 6144 bytes).
constexpr uint32_t kFrameBlockLimit = kFrameSize + 4096;

}  // namespace

LzxEncoder::LzxEncoder(unsigned windowBits, bool e8, int level)
    : windowSize_(1u << windowBits), e8_(e8) {
    if (windowBits < kMinWindowBits || windowBits > kMaxWindowBits) {
        throw std::invalid_argument("LZX window bits must be 15 to 21");
    }
    const EncoderLevel settings = encoderLevel(level);
    framesPerBlock_ = std::max<uint32_t>(settings.framesPerBlock, 1);
    optimalPasses_ = settings.optimalPasses;
    positionSlots_ = positionSlotCount(windowSize_);
    buffer_.resize(2 * size_t(windowSize_) + size_t(framesPerBlock_) * kFrameSize + 8);
    if (optimalPasses_ != 0) {
        optimal_ = std::make_unique<OptimalParser>(windowSize_, settings);
    } else {
        lazy_ = std::make_unique<LazyParser>(windowSize_, settings);
    }
    mainLengths_.assign(kLiteralCount + 8 * positionSlots_, 0);
    lengthLengths_.assign(kLengthSymbols, 0);
    alignedLengths_.assign(kAlignedSymbols, 3);
}

LzxEncoder::~LzxEncoder() = default;

void LzxEncoder::slideIfNeeded(uint32_t incoming) {
    const uint32_t capacity = uint32_t(buffer_.size()) - 8;
    if (streamEnd_ - bufferStart_ + incoming <= capacity) return;
    // Keep one window of history before the waiting frames; matches never reach further back.
    const uint32_t keepFrom = groupStart_ - windowSize_;
    std::memmove(buffer_.data(), buffer_.data() + (keepFrom - bufferStart_), streamEnd_ - keepFrom);
    bufferStart_ = keepFrom;
}

void LzxEncoder::addFrame(const uint8_t* data, uint32_t size,
                          std::vector<std::vector<uint8_t>>* blocks) {
    if (size > kFrameSize) throw std::invalid_argument("LZX frames hold at most 32768 bytes");
    if (size == 0) {
        // The decoder reads nothing for an empty frame but still counts it.
        encodeGroup(blocks);
        blocks->emplace_back();
        ++framesTaken_;
        return;
    }
    slideIfNeeded(size);
    uint8_t* frame = buffer_.data() + (streamEnd_ - bufferStart_);
    std::memcpy(frame, data, size);
    if (e8_ && framesTaken_ < kE8FrameLimit &&
        !applyE8Translation(frame, size, streamEnd_, kE8FileSize)) {
        throw std::runtime_error("LZX call translation cannot represent this frame");
    }
    streamEnd_ += size;
    groupFrames_.push_back(size);
    ++framesTaken_;
    // A short frame ends the folder (or, in tests, stands alone): its block ends with it.
    if (groupFrames_.size() >= framesPerBlock_ || size < kFrameSize) encodeGroup(blocks);
}

void LzxEncoder::finish(std::vector<std::vector<uint8_t>>* blocks) {
    encodeGroup(blocks);
}

std::vector<uint8_t> LzxEncoder::encodeFrame(const uint8_t* data, uint32_t size) {
    std::vector<std::vector<uint8_t>> blocks;
    const uint32_t framesPerBlock = framesPerBlock_;
    framesPerBlock_ = 1;
    addFrame(data, size, &blocks);
    framesPerBlock_ = framesPerBlock;
    return blocks.empty() ? std::vector<uint8_t>() : std::move(blocks.back());
}

void LzxEncoder::parseGroup(uint32_t mainCount) {
    items_.clear();
    frameItemEnds_.clear();
    const uint8_t* data = buffer_.data() - bufferStart_;
    if (!optimal_) {
        uint32_t at = groupStart_;
        for (uint32_t size : groupFrames_) {
            lazy_->parse(data, at, at + size, streamEnd_, r_, &items_);
            frameItemEnds_.push_back(items_.size());
            at += size;
        }
        return;
    }
    // The last block's codes are the best guess of what this one's will cost.
    CostModel costs = CostModel::fromLengths(mainLengths_.data(), mainCount, lengthLengths_.data(),
                                             alignedLengths_.data(), lastAligned_);
    const uint32_t savedR[3] = {r_[0], r_[1], r_[2]};
    for (uint32_t pass = 0; pass < optimalPasses_; ++pass) {
        if (pass != 0) {
            // Parse again under the codes the previous pass's choices would get.
            costs = CostModel::fromCodes(buildBlockCodes(items_.data(), items_.size(), mainCount),
                                         mainCount);
            std::copy(savedR, savedR + 3, r_);
            items_.clear();
            frameItemEnds_.clear();
        } else {
            optimal_->findMatches(data, groupStart_, streamEnd_);
        }
        uint32_t at = groupStart_;
        for (uint32_t size : groupFrames_) {
            optimal_->parse(data, at, at + size, costs, r_, &items_);
            frameItemEnds_.push_back(items_.size());
            at += size;
        }
    }
}

void LzxEncoder::writeCompressed(uint32_t type, const BlockCodes& codes, uint32_t mainCount,
                                 std::vector<std::vector<uint8_t>>* frames) {
    uint16_t mainCodes[kMaxMainSymbols];
    uint16_t lengthCodes[kLengthSymbols];
    uint16_t alignedCodes[kAlignedSymbols];
    assignCanonicalCodes(codes.main, mainCount, mainCodes);
    assignCanonicalCodes(codes.length, kLengthSymbols, lengthCodes);
    assignCanonicalCodes(codes.aligned, kAlignedSymbols, alignedCodes);
    const bool aligned = type == kBlockAligned;
    uint32_t groupBytes = 0;
    for (uint32_t size : groupFrames_) groupBytes += size;

    frames->assign(groupFrames_.size(), {});
    size_t next = 0;
    for (size_t f = 0; f < groupFrames_.size(); ++f) {
        std::vector<uint8_t>& out = (*frames)[f];
        out.reserve(groupFrames_[f] / 2 + 1024);
        if (f == 0 && pendingPadByte_) out.push_back(0);
        // Every frame's bits start afresh at its data block's start: the decoder primes its
        // bit reader on every call.
        BitWriter writer(out);
        if (f == 0) {
            if (!streamHeaderWritten_) {
                writer.put(e8_ ? 1 : 0, 1);
                if (e8_) writer.put(kE8FileSize, 32);
            }
            writer.put(type, 3);
            writer.put(groupBytes, 24);
            if (aligned) {
                for (uint8_t len : codes.aligned) writer.put(len, 3);
            }
            writeLengthRun(writer, codes.main, mainLengths_.data(), 0, kLiteralCount);
            writeLengthRun(writer, codes.main, mainLengths_.data(), kLiteralCount, mainCount);
            writeLengthRun(writer, codes.length, lengthLengths_.data(), 0, kLengthSymbols);
        }
        for (; next < frameItemEnds_[f]; ++next) {
            const Item& item = items_[next];
            writer.put(mainCodes[item.mainSymbol], codes.main[item.mainSymbol]);
            if (item.mainSymbol < kLiteralCount) continue;
            if (item.lengthSymbol >= 0) {
                writer.put(lengthCodes[item.lengthSymbol], codes.length[item.lengthSymbol]);
            }
            if (aligned && item.extraBits >= 3) {
                writer.put(item.extra >> 3, item.extraBits - 3u);
                writer.put(alignedCodes[item.extra & 7], codes.aligned[item.extra & 7]);
            } else {
                writer.put(item.extra, item.extraBits);
            }
        }
        writer.flush();
    }
}

void LzxEncoder::writeUncompressed(uint32_t start, uint32_t size, std::vector<uint8_t>* out) {
    out->reserve(size + 24);
    if (pendingPadByte_) out->push_back(0);
    BitWriter writer(*out);
    if (!streamHeaderWritten_) {
        writer.put(e8_ ? 1 : 0, 1);
        if (e8_) writer.put(kE8FileSize, 32);
        streamHeaderWritten_ = true;
    }
    writer.put(kBlockUncompressed, 3);
    writer.put(size, 24);
    writer.alignForUncompressed();
    for (uint32_t r : r_) {
        for (int i = 0; i < 4; ++i) out->push_back(uint8_t(r >> (8 * i)));
    }
    const uint8_t* data = buffer_.data() + (start - bufferStart_);
    out->insert(out->end(), data, data + size);
    pendingPadByte_ = (size & 1) != 0;
}

void LzxEncoder::encodeGroup(std::vector<std::vector<uint8_t>>* blocks) {
    if (groupFrames_.empty()) return;
    const uint32_t mainCount = kLiteralCount + 8 * positionSlots_;
    const uint32_t savedR[3] = {r_[0], r_[1], r_[2]};
    std::vector<std::vector<uint8_t>> frames;
    bool compressed = false;
    if (choice_ != BlockChoice::Uncompressed) {
        parseGroup(mainCount);
        const BlockCodes codes = buildBlockCodes(items_.data(), items_.size(), mainCount);
        uint32_t type = codes.alignedPays ? kBlockAligned : kBlockVerbatim;
        if (choice_ == BlockChoice::Verbatim) type = kBlockVerbatim;
        if (choice_ == BlockChoice::Aligned) type = kBlockAligned;
        writeCompressed(type, codes, mainCount, &frames);
        compressed = true;
        if (choice_ == BlockChoice::Best) {
            // Data that does not compress goes out as it is.
            uint64_t raw = 0, packed = 0;
            for (size_t f = 0; f < frames.size(); ++f) {
                raw += groupFrames_[f] + kWorthCompressing;
                packed += frames[f].size();
                if (frames[f].size() > kFrameBlockLimit) compressed = false;
            }
            if (packed > raw) compressed = false;
        }
        if (compressed) {
            mainLengths_.assign(codes.main, codes.main + mainCount);
            lengthLengths_.assign(codes.length, codes.length + kLengthSymbols);
            alignedLengths_.assign(codes.aligned, codes.aligned + kAlignedSymbols);
            lastAligned_ = type == kBlockAligned;
            pendingPadByte_ = false;
            streamHeaderWritten_ = true;
        }
    }
    if (!compressed) {
        std::copy(savedR, savedR + 3, r_);
        frames.assign(groupFrames_.size(), {});
        uint32_t at = groupStart_;
        for (size_t f = 0; f < groupFrames_.size(); ++f) {
            writeUncompressed(at, groupFrames_[f], &frames[f]);
            at += groupFrames_[f];
        }
    }
    for (std::vector<uint8_t>& frame : frames) blocks->push_back(std::move(frame));
    groupStart_ = streamEnd_;
    groupFrames_.clear();
}

}  // namespace tamrix
