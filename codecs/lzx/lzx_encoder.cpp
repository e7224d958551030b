#include "codecs/lzx/lzx_encoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "codecs/lzx/lzx_bit_writer.h"
#include "codecs/lzx/lzx_code_lengths.h"
#include "codecs/lzx/lzx_e8_preprocess.h"
#include "codecs/lzx/lzx_format.h"
#include "codecs/lzx/lzx_match_finder.h"
#include "codecs/lzx/lzx_tree_writer.h"

namespace tamrix {

using namespace lzx;

namespace {

// The translation size written in the stream header when E8 preprocessing is on.
constexpr uint32_t kE8FileSize = 12000000;
constexpr uint32_t kMaxChain = 24;
constexpr uint32_t kNiceLength = 48;
constexpr uint32_t kLazyCutoff = 32;

uint32_t bitWidth(uint32_t v) {
    return 32 - uint32_t(__builtin_clz(v));
}

// Position slot of a match distance (distance + 2 is the format's position).
uint32_t slotOf(uint32_t distance) {
    const uint32_t position = distance + 2;
    if (position >= (1u << 18)) return 36 + ((position - (1u << 18)) >> 17);
    const uint32_t high = bitWidth(position) - 1;
    return 2 * high + ((position >> (high - 1)) & 1);
}

}  // namespace

LzxEncoder::LzxEncoder(unsigned windowBits, bool e8) : windowSize_(1u << windowBits), e8_(e8) {
    if (windowBits < kMinWindowBits || windowBits > kMaxWindowBits) {
        throw std::invalid_argument("LZX window bits must be 15 to 21");
    }
    positionSlots_ = positionSlotCount(windowSize_);
    buffer_.resize(2 * size_t(windowSize_) + kFrameSize + 8);
    finder_ = std::make_unique<MatchFinder>(windowSize_, kMaxChain, kNiceLength);
    mainLengths_.assign(kLiteralCount + 8 * positionSlots_, 0);
    lengthLengths_.assign(kLengthSymbols, 0);
}

LzxEncoder::~LzxEncoder() = default;

void LzxEncoder::slideIfNeeded(uint32_t incoming) {
    const uint32_t capacity = uint32_t(buffer_.size()) - 8;
    if (streamEnd_ - bufferStart_ + incoming <= capacity) return;
    // Keep one window of history at the front; matches never reach further back.
    const uint32_t keepFrom = streamEnd_ - windowSize_;
    std::memmove(buffer_.data(), buffer_.data() + (keepFrom - bufferStart_), windowSize_);
    bufferStart_ = keepFrom;
}

LzxEncoder::Choice LzxEncoder::evaluate(uint32_t p, uint32_t end) {
    Choice best;
    const uint32_t maxLength = std::min(kMaxMatch, end - p);
    if (maxLength < kMinMatch) return best;
    finder_->insertUpTo(p, streamEnd_);
    const uint32_t longCost = 6;  // rough cost of a length-tree symbol
    for (int32_t i = 0; i < 3; ++i) {
        const uint32_t distance = r_[i];
        if (distance > p || distance == 0) continue;
        const uint32_t length = finder_->matchLength(p, distance, maxLength);
        if (length < kMinMatch) continue;
        const int32_t cost = 7 + int32_t(length > 8 ? longCost : 0) + i;
        const int32_t score = int32_t(length) * 8 - cost;
        if (score > best.score) best = {length, distance, i, score};
    }
    uint32_t distance = 0;
    const uint32_t length = finder_->find(p, maxLength, &distance);
    if (length != 0) {
        const uint32_t slot = slotOf(distance);
        const int32_t cost = 9 + kExtraBits[slot] + int32_t(length > 8 ? longCost : 0);
        const int32_t score = int32_t(length) * 8 - cost;
        if (score > best.score + 1) best = {length, distance, -1, score};
    }
    return best;
}

void LzxEncoder::emitMatch(const Choice& c) {
    Item item{};
    uint32_t slot;
    if (c.repeat >= 0) {
        slot = uint32_t(c.repeat);
        std::swap(r_[0], r_[c.repeat]);
    } else {
        slot = slotOf(c.distance);
        item.extraBits = kExtraBits[slot];
        item.extra = c.distance - kDistanceBase[slot];
        r_[2] = r_[1];
        r_[1] = r_[0];
        r_[0] = c.distance;
    }
    const uint32_t header = c.length - kMinMatch;
    if (header >= kNumPrimaryLengths) {
        item.mainSymbol = uint16_t(kLiteralCount + slot * 8 + kNumPrimaryLengths);
        item.lengthSymbol = int16_t(header - kNumPrimaryLengths);
    } else {
        item.mainSymbol = uint16_t(kLiteralCount + slot * 8 + header);
        item.lengthSymbol = -1;
    }
    items_.push_back(item);
}

void LzxEncoder::parse(uint32_t start, uint32_t end) {
    items_.clear();
    const uint8_t* data = buffer_.data() - bufferStart_;
    uint32_t p = start;
    while (p < end) {
        Choice current = evaluate(p, end);
        if (current.score <= 0) {
            items_.push_back({data[p], -1, 0, 0});
            ++p;
            continue;
        }
        // Lazy matching: a better match one byte on wins over the current one.
        while (current.length < kLazyCutoff && p + 1 < end) {
            Choice next = evaluate(p + 1, end);
            if (next.score <= current.score) break;
            items_.push_back({data[p], -1, 0, 0});
            ++p;
            current = next;
        }
        emitMatch(current);
        p += current.length;
    }
}

std::vector<uint8_t> LzxEncoder::writeBlock(uint32_t start, uint32_t size, uint32_t type,
                                            std::vector<uint8_t>* newMain,
                                            std::vector<uint8_t>* newLength) {
    std::vector<uint8_t> out;
    out.reserve(size + 64);
    if (pendingPadByte_) out.push_back(0);
    BitWriter writer(out);
    if (!streamHeaderWritten_) {
        writer.put(e8_ ? 1 : 0, 1);
        if (e8_) writer.put(kE8FileSize, 32);
    }
    writer.put(type, 3);
    writer.put(size, 24);

    if (type == kBlockUncompressed) {
        writer.alignForUncompressed();
        for (uint32_t r : r_) {
            for (int i = 0; i < 4; ++i) out.push_back(uint8_t(r >> (8 * i)));
        }
        const uint8_t* data = buffer_.data() + (start - bufferStart_);
        out.insert(out.end(), data, data + size);
        return out;
    }

    const uint32_t mainCount = kLiteralCount + 8 * positionSlots_;
    std::vector<uint32_t> mainFreq(mainCount), lengthFreq(kLengthSymbols);
    uint32_t alignedFreq[kAlignedSymbols] = {};
    for (const Item& item : items_) {
        ++mainFreq[item.mainSymbol];
        if (item.lengthSymbol >= 0) ++lengthFreq[uint32_t(item.lengthSymbol)];
        if (item.extraBits >= 3) ++alignedFreq[item.extra & 7];
    }
    newMain->assign(mainCount, 0);
    newLength->assign(kLengthSymbols, 0);
    buildCodeLengths(mainFreq.data(), mainCount, 16, newMain->data());
    buildCodeLengths(lengthFreq.data(), kLengthSymbols, 16, newLength->data());
    uint8_t alignedLengths[kAlignedSymbols];
    buildCodeLengths(alignedFreq, kAlignedSymbols, 7, alignedLengths);
    uint32_t distinctAligned = 0;
    for (uint32_t f : alignedFreq) distinctAligned += f != 0;
    // With fewer than two aligned values in use, a flat code is as good and always complete.
    if (distinctAligned < 2) std::fill(alignedLengths, alignedLengths + kAlignedSymbols, 3);

    if (type == kBlockAligned) {
        for (uint8_t len : alignedLengths) writer.put(len, 3);
    }
    writeLengthRun(writer, newMain->data(), mainLengths_.data(), 0, kLiteralCount);
    writeLengthRun(writer, newMain->data(), mainLengths_.data(), kLiteralCount, mainCount);
    writeLengthRun(writer, newLength->data(), lengthLengths_.data(), 0, kLengthSymbols);

    std::vector<uint16_t> mainCodes(mainCount);
    uint16_t lengthCodes[kLengthSymbols];
    uint16_t alignedCodes[kAlignedSymbols];
    assignCanonicalCodes(newMain->data(), mainCount, mainCodes.data());
    assignCanonicalCodes(newLength->data(), kLengthSymbols, lengthCodes);
    assignCanonicalCodes(alignedLengths, kAlignedSymbols, alignedCodes);
    const uint8_t* mainLen = newMain->data();
    const uint8_t* lengthLen = newLength->data();
    const bool aligned = type == kBlockAligned;
    for (const Item& item : items_) {
        writer.put(mainCodes[item.mainSymbol], mainLen[item.mainSymbol]);
        if (item.mainSymbol < kLiteralCount) continue;
        if (item.lengthSymbol >= 0) {
            writer.put(lengthCodes[item.lengthSymbol], lengthLen[item.lengthSymbol]);
        }
        if (aligned && item.extraBits >= 3) {
            writer.put(item.extra >> 3, item.extraBits - 3u);
            writer.put(alignedCodes[item.extra & 7], alignedLengths[item.extra & 7]);
        } else {
            writer.put(item.extra, item.extraBits);
        }
    }
    writer.flush();
    return out;
}

std::vector<uint8_t> LzxEncoder::encodeFrame(const uint8_t* data, uint32_t size) {
    if (size > kFrameSize) throw std::invalid_argument("LZX frames hold at most 32768 bytes");
    if (size == 0) {
        // The decoder reads nothing for an empty frame but still counts it.
        ++framesEncoded_;
        return {};
    }
    slideIfNeeded(size);
    const uint32_t start = streamEnd_;
    uint8_t* frame = buffer_.data() + (start - bufferStart_);
    if (size != 0) std::memcpy(frame, data, size);
    streamEnd_ += size;
    if (e8_ && framesEncoded_ < kE8FrameLimit &&
        !applyE8Translation(frame, size, start, kE8FileSize)) {
        throw std::runtime_error("LZX call translation cannot represent this frame");
    }
    finder_->setData(buffer_.data() - bufferStart_);

    const uint32_t savedR[3] = {r_[0], r_[1], r_[2]};
    parse(start, streamEnd_);

    std::vector<uint8_t> newMain, newLength;
    std::vector<uint8_t> out;
    BlockChoice choice = choice_;
    if (choice == BlockChoice::Best || choice == BlockChoice::Verbatim ||
        choice == BlockChoice::Aligned) {
        std::vector<uint8_t> verbatim, alignedOut;
        if (choice != BlockChoice::Aligned) {
            verbatim = writeBlock(start, size, kBlockVerbatim, &newMain, &newLength);
        }
        if (choice != BlockChoice::Verbatim) {
            std::vector<uint8_t> m2, l2;
            alignedOut = writeBlock(start, size, kBlockAligned, &m2, &l2);
            if (verbatim.empty() || alignedOut.size() < verbatim.size()) {
                verbatim.swap(alignedOut);
                newMain.swap(m2);
                newLength.swap(l2);
            }
        }
        out.swap(verbatim);
        // Data that does not compress goes out as it is.
        if (choice == BlockChoice::Best && out.size() > size + 24) out.clear();
    }
    if (out.empty()) {
        std::memcpy(r_, savedR, sizeof r_);
        out = writeBlock(start, size, kBlockUncompressed, nullptr, nullptr);
        pendingPadByte_ = (size & 1) != 0;
    } else {
        mainLengths_.swap(newMain);
        lengthLengths_.swap(newLength);
        pendingPadByte_ = false;
    }
    streamHeaderWritten_ = true;
    ++framesEncoded_;
    return out;
}

}  // namespace tamrix
